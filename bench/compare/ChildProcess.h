// Running one contender of compare_bench as a child process and measuring
// it whole: wall time from spawn to reaping, and its peak resident set.
#pragma once

#include <string>
#include <vector>

namespace QuarnBench {

struct ChildRun {
  /// False when the child could not be started; `error` says why.
  bool started = false;
  std::string error;
  /// The wait status from wait4.
  int status = 0;
  /// From just before the spawn to just after wait4 returned.
  double seconds = 0;
  /// ru_maxrss of the child, in KiB.
  long peakRssKiB = 0;
  /// With `watchThreads`: the most threads /proc/PID/status showed while
  /// the child ran (0 if it was never read); otherwise 0.
  int mostThreads = 0;
  std::string out;
  std::string err;

  /// Started, exited normally and with status 0.
  bool succeeded() const;
  /// What went wrong, for a message; empty when it succeeded.
  std::string failure() const;
};

/// Spawns `argv` (argv[0] a path) with standard input from /dev/null and
/// standard output and error captured in memory files, so that a large
/// output can never block the child. `environment` replaces the parent's.
///
/// The kernel counts the spawning process's own peak resident set into the
/// child's ru_maxrss (the address space the child leaves at exec), so the
/// caller keeps its own memory small.
///
/// `watchThreads` reads the child's thread count every 0.1 ms until it
/// ends, which costs the machine CPU time: not for timed runs.
ChildRun runChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  bool watchThreads = false);

/// The current environment without the variables named in `drop`.
std::vector<std::string> environmentWithout(const std::vector<std::string>& drop);

/// Peak resident set of this process so far (VmHWM), in KiB; 0 if unknown.
long ownPeakRssKiB();

}  // namespace QuarnBench
