// One run of the player: load the module, drive the container and its stream
// in the host calling order, print what comes out, and give everything back.
#pragma once

#include <cstdio>
#include <string>

#include "Options.h"
#include "Report.h"

namespace QuarnPlay {

/// Exit statuses of the player.
enum ExitStatus : int {
  kExitPlayed = 0,
  kExitNotRead = 1,  // open failed, or the stream could not be read
  kExitUsage = 2,
  kExitNoModule = 3,  // the module cannot be loaded or offers no container
};

/// What the player plays.
struct Source {
  /// The URL handed to the plug-in.
  std::string location;
};

/// Plays `source` with `options`, printing through `report` and messages on
/// `errors`; returns the exit status. With `progressAllowed` a long stream's
/// progress is drawn on `errors` while it is read (see Progress.h).
int play(const Options& options, const Source& source, Report& report, std::FILE* errors,
         bool progressAllowed = false);

}  // namespace QuarnPlay
