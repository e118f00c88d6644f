#include "MediaClock.h"

#include <algorithm>
#include <chrono>

namespace QuarnHost {
namespace {

constexpr std::int64_t kLatestTime = MediaClock::kLatest;

std::int64_t steadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t clampTime(std::int64_t time) {
  return std::clamp<std::int64_t>(time, 0, kLatestTime);
}

/// floor(elapsed * speed / 1000) for elapsed, speed >= 0 and speed <= 2^31,
/// at most kLatest + 1: a clock that has travelled that far is pinned to one
/// of its ends whatever its start.
std::int64_t mediaTravel(std::int64_t elapsed, std::int64_t speed) {
  // Beyond this even the slowest running clock has crossed the whole range;
  // the cap keeps the product below 2^62. Splitting off the whole seconds
  // keeps the floor exact.
  elapsed = std::min(elapsed, (kLatestTime + 1) * 1000);
  const std::int64_t travel = elapsed / 1000 * speed + elapsed % 1000 * speed / 1000;
  return std::min(travel, kLatestTime + 1);
}

}  // namespace

MediaClock::MediaClock(std::function<std::int64_t()> nowMs)
    : nowMs_(nowMs ? std::move(nowMs) : steadyNowMs) {}

void MediaClock::runFree() {
  paced_ = false;
}

void MediaClock::startPaced(std::int64_t startMs, std::int32_t rate) {
  paced_ = true;
  backward_ = rate < 0;
  speed_ = rate < 0 ? -std::int64_t{rate} : rate;
  startMs_ = clampTime(startMs);
  origin_ = nowMs_();
}

std::int64_t MediaClock::elapsed() {
  const std::int64_t now = nowMs_();
  return now > origin_ ? now - origin_ : 0;
}

std::int32_t MediaClock::getMediaTime() {
  if (trace_ != nullptr)
    return tracedReading();
  return now();
}

std::int32_t MediaClock::tracedReading() {
  const std::int32_t time = now();
  trace_->back("getMediaTime", {}, std::to_string(time));
  return time;
}

std::int32_t MediaClock::now() {
  if (!paced_)
    return kLatest;
  const std::int64_t travel = mediaTravel(elapsed(), speed_);
  return static_cast<std::int32_t>(clampTime(backward_ ? startMs_ - travel : startMs_ + travel));
}

std::optional<std::int64_t> MediaClock::msUntil(std::int64_t time) {
  if (!paced_)
    return 0;
  const std::int64_t target = clampTime(time);
  const std::int64_t distance = backward_ ? startMs_ - target : target - startMs_;
  if (distance <= 0)
    return 0;
  if (speed_ == 0)
    return std::nullopt;
  // The first elapsed time at which mediaTravel reaches the distance; the
  // distance is below 2^31, so the product fits easily.
  const std::int64_t needed = (distance * 1000 + speed_ - 1) / speed_;
  return std::max<std::int64_t>(needed - elapsed(), 0);
}

}  // namespace QuarnHost
