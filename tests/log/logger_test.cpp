// The logging facade against the test logging library in its three forms.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log/Logger.h"
#include "log/TestLoggingLibrary.h"
#include "platform/DynamicLibrary.h"
#include "text/TempFolder.h"

namespace {

using Quarn::Logger;
using Quarn::Platform::DynamicLibrary;

// Loads the library a second time, sharing the logger's copy, to read what
// it recorded.
TestLogState* recordedBy(const char* path, DynamicLibrary& keep) {
  keep = DynamicLibrary::load(path);
  auto state = reinterpret_cast<TestLogStateFunction>(keep.getSymbol("TestLog_state"));
  return state != nullptr ? state() : nullptr;
}

TEST(Logger, HandsFormatLineAndArgumentsOnUnformattedAndClosesOnce) {
  DynamicLibrary keep;
  TestLogState* calls = recordedBy(QUARN_TESTLOG_COMPLETE, keep);
  ASSERT_NE(calls, nullptr);
  {
    Logger logger(QUARN_TESTLOG_COMPLETE);
    ASSERT_TRUE(logger.hasLibrary());
    EXPECT_TRUE(logger.isEnabled());
    static const char kFormat[] = "Tried to read %ld bytes, got %ld\n";
    const int line = __LINE__ + 1;
    logger.write("Utilities", "Quarn::ParserUtilities::readTextFile", line, kFormat, 12L, -1L);
    EXPECT_EQ(calls->writeCalls, 1);
    EXPECT_STREQ(calls->category, "Utilities");
    EXPECT_STREQ(calls->function, "Quarn::ParserUtilities::readTextFile");
    EXPECT_EQ(calls->line, line);
    EXPECT_EQ(calls->format, kFormat) << "the very format text, newline and all";
    EXPECT_STREQ(calls->message, "Tried to read 12 bytes, got -1\n");
    EXPECT_EQ(calls->configureCalls + calls->closeCalls, 0);
  }
  EXPECT_EQ(calls->closeCalls, 1);
  EXPECT_EQ(calls->configureCalls, 0) << "the library configures itself";
}

TEST(Logger, DisabledLibraryIsAskedEveryTimeButNeverWritten) {
  DynamicLibrary keep;
  TestLogState* calls = recordedBy(QUARN_TESTLOG_DISABLED, keep);
  ASSERT_NE(calls, nullptr);
  Logger logger(QUARN_TESTLOG_DISABLED);
  ASSERT_TRUE(logger.hasLibrary());
  logger.write("Container", "Quarn::SSAContainer::open", 1, "**parsing event");
  logger.write("Container", "Quarn::SSAContainer::open", 2, " len: %d '%s'", 4, "text");
  EXPECT_FALSE(logger.isEnabled()) << "only the low byte of the answer counts";
  EXPECT_EQ(calls->isEnabledCalls, 3);
  EXPECT_EQ(calls->writeCalls, 0);
}

TEST(Logger, IncompleteLibraryIsReleasedAtOnce) {
  ASSERT_FALSE(DynamicLibrary::isLoaded(QUARN_TESTLOG_INCOMPLETE));
  Logger logger(QUARN_TESTLOG_INCOMPLETE);
  EXPECT_FALSE(logger.hasLibrary());
  EXPECT_FALSE(DynamicLibrary::isLoaded(QUARN_TESTLOG_INCOMPLETE));
  logger.write("Utilities", "f", 1, "%s", "dropped");
}

TEST(Logger, AbsentLibraryIsNotLookedForAgain) {
  Quarn::Testing::TempFolder folder;
  const std::string path = (folder.path() / "libQuarn_Logging.so").string();
  Logger logger(path.c_str());
  logger.write("Utilities", "f", 1, "before");
  // The library appears after the logger was made: it stays unused.
  std::filesystem::copy_file(QUARN_TESTLOG_COMPLETE, path);
  logger.write("Utilities", "f", 2, "after");
  EXPECT_FALSE(logger.hasLibrary());
  EXPECT_FALSE(DynamicLibrary::isLoaded(path.c_str()));
}

TEST(Logger, ProcessWideLoggerIsOneAndFindsTheReferenceLibrary) {
  EXPECT_EQ(&Logger::instance(), &Logger::instance());
  EXPECT_TRUE(Logger::instance().hasLibrary());
}

}  // namespace
