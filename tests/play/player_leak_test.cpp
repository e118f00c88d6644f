// The player gives back everything it was handed and everything the module
// made for it: under the leak checker, every path of a run ends clean, the
// module unloaded included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlayerProcess.h"

namespace Quarn::Testing {
namespace {

TEST(PlayerLeaks, EveryPathEndsWithNothingLeft) {
  ScratchFolder folder;
  const std::string path = folder.write(
      "film.ass",
      "[Script Info]\r\n[Events]\r\n"
      "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
      "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world\r\n"
      "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Overlap\r\n"
      "Dialogue: 0,600:00:00.00,600:00:01.00,Default,,0,0,0,,Never due\r\n");
  struct Path {
    std::vector<std::string> arguments;
    int status;
  };
  const Path paths[] = {
      // The header taken and freed by the player, every chunk released, a stall.
      {{"--json", "--header", path}, 0},
      // Counted once, rewound, read again; a seek and a backward read.
      {{"--seek", "3500", "--rate", "-1000", path}, 0},
      // The header left to discardHeader.
      {{"--quiet", "--codepage", "windows-1252", path}, 0},
      {{"--override-embedded", "false", path}, 0},
      // Failures: nothing to open, and a location that is no file.
      {{"--json", folder.path() + "/missing.ass"}, 1},
      {{"--json", "http://example.com/film.ass"}, 1},
  };
  for (const Path& p : paths) {
    const PlayerRun run = runPlayer(p.arguments, {}, LeakCheck::On);
    EXPECT_EQ(run.status, p.status) << p.arguments[0] << "\n" << run.err;
    EXPECT_EQ(run.err.find("LeakSanitizer"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace Quarn::Testing
