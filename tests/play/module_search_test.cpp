// Where the player finds its module without --plugin: beside itself, then
// in the installed plug-in folder; the order of the search and what it says
// when nothing is found.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ModuleSearch.h"
#include "PlayerProcess.h"

namespace QuarnPlay {
namespace {

namespace fs = std::filesystem;

TEST(PlayerModuleSearch, BesideThePlayerFirstThenTheInstalledFolder) {
  const std::string beside = "/opt/q/bin/libquarn_ssa.so";
  const std::string installed = "/opt/q/bin/../lib/quarn/plugins/libquarn_ssa.so";
  struct Row {
    const char* what;
    std::string folder;
    std::set<std::string> present;
    std::string found;
  };
  const Row rows[] = {
      {"both present", "/opt/q/bin", {beside, installed}, beside},
      {"installed only", "/opt/q/bin", {installed}, installed},
      {"beside only", "/opt/q/bin", {beside}, beside},
      {"none", "/opt/q/bin", {}, ""},
      {"a folder given with its slash", "/opt/q/bin/", {installed}, installed},
      {"the root folder",
       "/",
       {"/../lib/quarn/plugins/libquarn_ssa.so"},
       "/../lib/quarn/plugins/libquarn_ssa.so"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> asked;
    const QuarnHost::ModuleSearch search =
        QuarnHost::findModule(row.folder, {QuarnHost::kModuleName, QuarnHost::kModuleFromPlayer},
                              [&](const std::string& path) {
                                asked.push_back(path);
                                return row.present.count(path) > 0;
                              });
    EXPECT_EQ(search.found, row.found) << row.what;
    // Every place is listed for the message, but the search stops at the first found.
    ASSERT_EQ(search.tried.size(), 2u) << row.what;
    EXPECT_EQ(asked.back(), row.found.empty() ? search.tried[1] : row.found) << row.what;
  }
}

/// A copy of the player in PREFIX/bin, as an installation lays it out; its
/// module found by the executable's own folder, never the build folder's.
class PlayerInstalledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(prefix_.path().empty());
    fs::create_directories(bin());
    fs::create_directories(plugins());
    fs::copy_file(QUARN_PLAY_PATH, player());
  }
  std::string bin() const { return prefix_.path() + "/bin"; }
  std::string plugins() const { return prefix_.path() + "/lib/quarn/plugins"; }
  std::string player() const { return bin() + "/quarn-ssa-play"; }
  Quarn::Testing::PlayerRun play() const {
    return Quarn::Testing::runProgram(player(),
                                      {"--json", "--quiet", QUARN_EXAMPLES_DIR "/demo.ass"});
  }

  Quarn::Testing::ScratchFolder prefix_;
};

TEST_F(PlayerInstalledLayout, FindsTheInstalledModule) {
  fs::copy_file(QUARN_MODULE_PATH, plugins() + "/libquarn_ssa.so");
  const Quarn::Testing::PlayerRun run = play();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "{\"event\":\"end\",\"chunks\":23}\n");
}

TEST_F(PlayerInstalledLayout, TakesTheOneBesideFirst) {
  fs::copy_file(QUARN_MODULE_PATH, plugins() + "/libquarn_ssa.so");
  // Not a module at all: it is tried, and its failure is reported.
  const std::string beside = bin() + "/libquarn_ssa.so";
  Quarn::Testing::ScratchFolder scratch;
  fs::copy_file(scratch.write("junk", "not a library"), beside);
  const Quarn::Testing::PlayerRun run = play();
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.err.find("cannot load the plug-in module " + beside + ": "), std::string::npos)
      << run.err;
}

TEST_F(PlayerInstalledLayout, NamesEveryPlaceTriedWhenNoneHoldsIt) {
  const Quarn::Testing::PlayerRun run = play();
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "");
  // The folder as the executable's resolved path names it.
  const std::string folder = fs::canonical(bin()).string();
  EXPECT_EQ(run.err, "quarn-ssa-play: cannot find the plug-in module: tried " + folder +
                         "/libquarn_ssa.so and " + folder +
                         "/../lib/quarn/plugins/libquarn_ssa.so; name one with --plugin PATH\n");
}

}  // namespace
}  // namespace QuarnPlay
