#include "MediaClock.h"

#include <chrono>

namespace QuarnHost {
namespace {

std::int64_t steadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

MediaClock::MediaClock(std::function<std::int64_t()> nowMs)
    : nowMs_(nowMs ? std::move(nowMs) : steadyNowMs) {}

void MediaClock::runFree() {
  paced_ = false;
}

void MediaClock::startPaced(std::uint32_t startMs) {
  paced_ = true;
  startMs_ = startMs;
  origin_ = nowMs_();
}

std::int32_t MediaClock::getMediaTime() {
  if (!paced_)
    return kLatest;
  const std::int64_t time = startMs_ + (nowMs_() - origin_);
  return time >= kLatest ? kLatest : static_cast<std::int32_t>(time < 0 ? 0 : time);
}

}  // namespace QuarnHost
