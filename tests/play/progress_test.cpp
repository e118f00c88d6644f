// The progress line: when it may be drawn, and what it draws into a file
// standing in for the terminal, under a clock the test moves.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Progress.h"

namespace QuarnPlay {
namespace {

TEST(ProgressDecision, OnlyOnATerminalThatDoesNotShowTheEntries) {
  struct Row {
    const char* what;
    Console console;
    bool json;
    bool quiet;
    bool verbose;
    bool allowed;
  };
  const Row rows[] = {
      {"entries to a file, progress to a terminal",
       {false, true, false},
       false,
       false,
       false,
       true},
      {"--quiet on one terminal", {true, true, false}, false, true, false, true},
      {"entries on the same terminal", {true, true, false}, false, false, false, false},
      {"standard error redirected", {false, false, false}, false, true, false, false},
      {"--json", {false, true, false}, true, true, false, false},
      {"--verbose shares standard error", {false, true, false}, false, true, true, false},
      {"a dumb terminal", {false, true, true}, false, true, false, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(progressAllowed(row.console, row.json, row.quiet, row.verbose), row.allowed)
        << row.what;
  EXPECT_FALSE(progressWorthShowing(kProgressThreshold - 1));
  EXPECT_TRUE(progressWorthShowing(kProgressThreshold));
}

/// A temporary file for the line, read back whole.
class ProgressFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(file_, nullptr); }
  void TearDown() override {
    if (file_ != nullptr)
      std::fclose(file_);
  }
  std::string written() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    for (int c; (c = std::fgetc(file_)) != EOF;)
      text += static_cast<char>(c);
    std::fseek(file_, 0, SEEK_END);
    return text;
  }
  static std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
      ++n;
    return n;
  }

  std::FILE* file_ = std::tmpfile();
  std::int64_t now_ = 0;
};

TEST_F(ProgressFile, DrawsOverItselfAndErasesAtTheEnd) {
  {
    ProgressLine line(file_, "prog", 20000, [this] { return now_; });
    for (std::uint64_t done = 1; done <= 20000; ++done) {
      if (done == 10000)
        now_ += 100;  // a redraw is due again
      line.update(done);
    }
    // The first draw comes at the first thousandth, whatever the clock says;
    // the second at the first thousandth after the clock moved.
    EXPECT_EQ(written(),
              "\rprog: 20 of 20000 entries read (0%)\033[K"
              "\rprog: 10000 of 20000 entries read (50%)\033[K");
    line.finish();
    EXPECT_EQ(count(written(), "\r\033[K"), 1u);
  }
  // Finished once: the destructor adds nothing.
  EXPECT_EQ(count(written(), "\r\033[K"), 1u);
}

TEST_F(ProgressFile, RedrawsAtMostOnceAThousandthAndAnInterval) {
  struct Row {
    std::int64_t tick;  // clock advance per entry read
    std::int64_t interval;
    std::size_t draws;
  };
  // Over 100000 entries, a thousandth is 100 entries: with time to spare
  // every thousandth is drawn, with a stopped clock only the first, and in
  // between every thousandth that is an interval or more after the last draw
  // (at 100, 400, 700 ... 99,700 ms).
  const Row rows[] = {{1000, 100, 1000}, {0, 100, 1}, {1, 100, 1000}, {1, 250, 334}};
  for (const Row& row : rows) {
    const std::string before = written();
    {
      std::int64_t now = 0;
      ProgressLine line(
          file_, "p", 100000, [&now] { return now; }, row.interval);
      for (std::uint64_t done = 1; done <= 100000; ++done) {
        now += row.tick;
        line.update(done);
      }
    }
    EXPECT_EQ(count(written().substr(before.size()), " entries read ("), row.draws)
        << "tick " << row.tick << ", interval " << row.interval;
  }
}

TEST_F(ProgressFile, NothingDrawnNothingErasedAndOverrunsStopAtAHundred) {
  {
    ProgressLine line(file_, "prog", 50000, [this] { return now_; });
    line.update(49);  // short of the first thousandth
  }
  EXPECT_EQ(written(), "");

  ProgressLine over(file_, "prog", 10, [this] { return now_; });
  over.update(12);
  EXPECT_EQ(written(), "\rprog: 12 of 10 entries read (100%)\033[K");
}

}  // namespace
}  // namespace QuarnPlay
