// The reference logging library behind the facade: enabled by QUARN_LOG,
// one line per statement in the form "category function:line message".
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "log/Logger.h"
#include "text/TempFolder.h"

#ifdef QUARN_LOGGING_LIBRARY

namespace {

using Quarn::Logger;

std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ReferenceLogging, WritesOneLinePerStatementWhileQuarnLogNamesAFile) {
  Quarn::Testing::TempFolder folder;
  const auto file = folder.path() / "quarn.log";
  Logger logger(QUARN_LOGGING_LIBRARY);
  ASSERT_TRUE(logger.hasLibrary());

  ::unsetenv("QUARN_LOG");
  EXPECT_FALSE(logger.isEnabled());
  logger.write("Utilities", "Quarn::ParserUtilities::readTextFile", 10, "dropped");

  ::setenv("QUARN_LOG", file.c_str(), 1);
  EXPECT_TRUE(logger.isEnabled());
  logger.write("Utilities", "Quarn::ParserUtilities::readTextFile", 11, "Failed to open file %s\n",
               "/x/y.ass");
  logger.write("Container", "Quarn::SSAContainer::open", 12, "**got start pos: %d", 42);
  const std::string longText(2000, 'x');  // longer than the library's stack buffer
  logger.write("Container", "Quarn::SSAContainer::open", 13, " len: %d '%s'", 2000,
               longText.c_str());
  ::setenv("QUARN_LOG", "", 1);
  EXPECT_FALSE(logger.isEnabled()) << "an empty value turns logging off";
  logger.write("Container", "Quarn::SSAContainer::open", 14, "dropped too");
  ::unsetenv("QUARN_LOG");

  EXPECT_EQ(readAll(file),
            "Utilities Quarn::ParserUtilities::readTextFile:11 Failed to open file /x/y.ass\n"
            "Container Quarn::SSAContainer::open:12 **got start pos: 42\n"
            "Container Quarn::SSAContainer::open:13  len: 2000 '" +
                longText + "'\n");
}

TEST(ReferenceLogging, ProcessWideLoggerFindsTheLibraryBySearch) {
  EXPECT_TRUE(Logger::instance().hasLibrary());
  EXPECT_EQ(&Logger::instance(), &Logger::instance());
}

}  // namespace

#endif
