// The player as a user runs it, before any script is read: the command line,
// a module that cannot serve, and a source that cannot be opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlayerProcess.h"

namespace Quarn::Testing {
namespace {

TEST(PlayerProcess, HelpAndVersionGoToStandardOutput) {
  const PlayerRun help = runPlayer({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: quarn-ssa-play [OPTIONS] SOURCE\n", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");

  const PlayerRun version = runPlayer({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quarn-ssa-play " QUARN_PROJECT_VERSION "\n");
}

TEST(PlayerProcess, UsageErrorsExitWithTwoAndPrintNothingOnStandardOutput) {
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"--json"},
      {"a.ass", "b.ass"},
      {"--bogus", "a.ass"},
      {"--rate", "fast", "a.ass"},
      {"--seek", "-5", "a.ass"},
      {"--override-embedded", "maybe", "a.ass"},
      {"a.ass", "--lang"},
  };
  for (const auto& arguments : misuses) {
    const PlayerRun run = runPlayer(arguments);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Try 'quarn-ssa-play --help'."), std::string::npos) << run.err;
  }
}

TEST(PlayerProcess, ModuleThatCannotBeLoadedExitsWithThree) {
  const PlayerRun missing = runPlayer({"--json", "--plugin", "/nonexistent/libx.so", "a.ass"});
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("cannot load the plug-in module /nonexistent/libx.so"),
            std::string::npos)
      << missing.err;

  // A library that loads but has no getPlugin.
  const PlayerRun foreign = runPlayer({"--json", "--plugin", QUARN_TESTLOG_COMPLETE, "a.ass"});
  EXPECT_EQ(foreign.status, 3);
  EXPECT_EQ(foreign.out, "");
  EXPECT_NE(foreign.err.find("has no getPlugin"), std::string::npos) << foreign.err;
}

TEST(PlayerProcess, FailedOpenPrintsOpenAndEndAndExitsWithOne) {
  ScratchFolder folder;
  const std::string missing = folder.path() + "/missing.ass";
  const PlayerRun run = runPlayer({"--json", missing});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = run.lines();
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0].rfind("{\"event\":\"probe\",\"accepted\":", 0), 0u);
  EXPECT_EQ(lines[1], "{\"event\":\"open\",\"result\":\"0x80100001\",\"name\":\"ResultFailed\"}");
  EXPECT_EQ(lines[2], "{\"event\":\"end\",\"chunks\":0}");
  EXPECT_EQ(run.err, "quarn-ssa-play: cannot open file://" + missing +
                         ": ResultFailed (0x80100001)\nquarn-ssa-play: cannot read " + missing +
                         ": No such file or directory\n");

  // The human view leaves the report to standard error; --quiet keeps the
  // end line.
  const PlayerRun human = runPlayer({missing});
  EXPECT_EQ(human.status, 1);
  EXPECT_EQ(human.out, "");
  EXPECT_EQ(human.err, run.err);
  const PlayerRun quiet = runPlayer({"--json", "--quiet", missing});
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, "{\"event\":\"end\",\"chunks\":0}\n");
}

TEST(PlayerProcess, RelativeSourceIsOpenedAsAFileUrlOfTheWorkingFolder) {
  ScratchFolder folder;
  const PlayerRun run = runPlayer({"--json", "no such.ass"}, folder.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot open file://" + folder.path() + "/no%20such.ass:"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace Quarn::Testing
