// The logging facade against the test logging library in its three forms.
#include <gtest/gtest.h>

#include <filesystem>

#include "log/Logger.h"
#include "log/TestLoggingLibrary.h"
#include "platform/DynamicLibrary.h"
#include "text/TempFolder.h"

namespace {

using Quarn::Logger;
using Quarn::Platform::DynamicLibrary;

// Loads the library a second time (sharing its state with the logger's copy)
// to read what it recorded.
class RecordedCalls {
 public:
  explicit RecordedCalls(const char* path) : library_(DynamicLibrary::load(path)) {
    auto stateOf = reinterpret_cast<TestLogStateFunction>(library_.getSymbol("TestLog_state"));
    if (stateOf != nullptr) {
      state_ = stateOf();
      *state_ = TestLogState{};
    }
  }
  TestLogState* operator->() const { return state_; }
  bool valid() const { return state_ != nullptr; }

 private:
  DynamicLibrary library_;
  TestLogState* state_ = nullptr;
};

TEST(Logger, CompleteLibraryReceivesFormatLineAndArgumentsUnchanged) {
  RecordedCalls calls(QUARN_TESTLOG_COMPLETE);
  ASSERT_TRUE(calls.valid());
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
    EXPECT_EQ(calls->format, kFormat) << "the format must be handed on, not copied or formatted";
    EXPECT_STREQ(calls->message, "Tried to read 12 bytes, got -1\n");
    EXPECT_EQ(calls->configureCalls, 0) << "the library configures itself";
    EXPECT_EQ(calls->closeCalls, 0);
  }
  EXPECT_EQ(calls->closeCalls, 1) << "destroying the logger closes the library once";
}

TEST(Logger, MacroPassesTheStatementLineAndStringArguments) {
  // The process-wide logger is not under test control, so check the macro
  // expansion through a logger of our own with the same shape.
  RecordedCalls calls(QUARN_TESTLOG_COMPLETE);
  ASSERT_TRUE(calls.valid());
  Logger logger(QUARN_TESTLOG_COMPLETE);
#define LOCAL_LOG(category, function, ...) logger.write(category, function, __LINE__, __VA_ARGS__)
  const int line = __LINE__ + 1;
  LOCAL_LOG("Container", "Quarn::SSAContainer::open", "Got line %d:%d-%d '%s'", 3, 0, 9,
            "Dialogue");
#undef LOCAL_LOG
  EXPECT_EQ(calls->line, line);
  EXPECT_STREQ(calls->message, "Got line 3:0-9 'Dialogue'");
}

TEST(Logger, DisabledLibraryIsAskedEveryTimeButNeverWritten) {
  RecordedCalls calls(QUARN_TESTLOG_DISABLED);
  ASSERT_TRUE(calls.valid());
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
  EXPECT_FALSE(logger.isEnabled());
  EXPECT_FALSE(DynamicLibrary::isLoaded(QUARN_TESTLOG_INCOMPLETE))
      << "a library missing an export must not stay loaded";
  logger.write("Utilities", "f", 1, "%s", "dropped");  // silently nothing
}

TEST(Logger, AbsentLibraryIsNotLookedForAgain) {
  Quarn::Testing::TempFolder folder;
  const std::string path = (folder.path() / "libQuarn_Logging.so").string();

  Logger logger(path.c_str());
  EXPECT_FALSE(logger.hasLibrary());
  logger.write("Utilities", "f", 1, "before");

  // The library appears after the logger was made: it stays unused.
  std::filesystem::copy_file(QUARN_TESTLOG_COMPLETE, path);

  logger.write("Utilities", "f", 2, "after");
  EXPECT_FALSE(logger.hasLibrary());
  EXPECT_FALSE(DynamicLibrary::isLoaded(path.c_str()));
}

}  // namespace
