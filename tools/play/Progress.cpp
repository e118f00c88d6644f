#include "Progress.h"

#include <chrono>
#include <cinttypes>

namespace QuarnPlay {

bool progressAllowed(const Console& console, bool json, bool quiet, bool verbose) {
  return !json && !verbose && console.stderrIsTerminal && !console.dumbTerminal &&
         (quiet || !console.stdoutIsTerminal);
}

bool progressWorthShowing(std::uint64_t total) {
  return total >= kProgressThreshold;
}

ProgressLine::ProgressLine(std::FILE* out, const char* program, std::uint64_t total,
                           std::function<std::int64_t()> nowMs, std::int64_t interval)
    : out_(out),
      program_(program),
      total_(total),
      nowMs_(std::move(nowMs)),
      interval_(interval),
      step_(total / 1000 > 0 ? total / 1000 : 1),
      next_(step_) {
  if (!nowMs_) {
    nowMs_ = [] {
      return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
    };
  }
}

// The clock is read once a thousandth, so a fast read pays for it about a
// thousand times in all; the interval keeps a fast read from flooding the
// terminal.
void ProgressLine::advance(std::uint64_t done) {
  next_ = done + step_;
  const std::int64_t now = nowMs_();
  if (drawn_ && now - drawnAt_ < interval_)
    return;
  const unsigned percent =
      total_ == 0 ? 100u : static_cast<unsigned>((done < total_ ? done : total_) * 100 / total_);
  // Erasing to the end of the line after the text clears a longer earlier one.
  std::fprintf(out_, "\r%s: %" PRIu64 " of %" PRIu64 " entries read (%u%%)\033[K", program_, done,
               total_, percent);
  std::fflush(out_);
  drawn_ = true;
  drawnAt_ = now;
}

void ProgressLine::finish() {
  if (!drawn_)
    return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace QuarnPlay
