// The progress line of the human view: entries read out of the total, drawn
// on a terminal's standard error while a long stream is read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

namespace QuarnPlay {

/// Streams with fewer entries are read too quickly for a progress line to
/// tell anyone anything.
constexpr std::uint64_t kProgressThreshold = 10000;

/// What the player knows about where its output goes.
struct Console {
  bool stdoutIsTerminal = false;
  bool stderrIsTerminal = false;
  /// TERM is "dumb": no cursor control is understood.
  bool dumbTerminal = false;
};

/// Whether a progress line may be drawn at all, before the total is known:
/// only in the human view, only on a terminal's standard error, never on the
/// terminal that shows the entry lines (so only with --quiet or with standard
/// output elsewhere), and never under --verbose, whose log shares standard error.
bool progressAllowed(const Console& console, bool json, bool quiet, bool verbose);

/// Whether a stream of `total` entries is long enough to show progress for.
bool progressWorthShowing(std::uint64_t total);

/// Draws "PROGRAM: N of TOTAL entries read (P%)" over itself with a carriage
/// return, redrawn when another thousandth of the total has been read and at
/// least `interval` milliseconds have passed, and erased by finish(). Between
/// redraws an update costs one comparison.
class ProgressLine {
 public:
  /// `nowMs` is a monotonic clock in milliseconds; by default the steady clock.
  ProgressLine(std::FILE* out, const char* program, std::uint64_t total,
               std::function<std::int64_t()> nowMs = {}, std::int64_t interval = 100);
  ~ProgressLine() { finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  /// `done` entries have been read.
  void update(std::uint64_t done) {
    if (done >= next_)
      advance(done);
  }
  /// Erases the line, if one was drawn, so that what follows starts clean.
  void finish();

 private:
  void advance(std::uint64_t done);

  std::FILE* out_;
  const char* program_;
  std::uint64_t total_;
  std::function<std::int64_t()> nowMs_;
  std::int64_t interval_;
  std::uint64_t step_;
  std::uint64_t next_;
  bool drawn_ = false;
  std::int64_t drawnAt_ = 0;
};

}  // namespace QuarnPlay
