// The host's media clock, which it gives to the stream as its consumer.
#pragma once

#include <cstdint>
#include <functional>

#include <quarn/HostInterfaces.h>

namespace QuarnHost {

class MediaClock : public Quarn::StreamConsumer {
 public:
  /// The largest media time: every entry that can ever be due is due.
  static constexpr std::int32_t kLatest = 2147483647;

  /// `nowMs` is a monotonic clock in milliseconds; by default the steady clock.
  explicit MediaClock(std::function<std::int64_t()> nowMs = {});

  /// From now on the clock answers kLatest.
  void runFree();
  /// From now on the clock answers `startMs` plus the milliseconds elapsed
  /// since this call, never more than kLatest.
  void startPaced(std::uint32_t startMs);

  std::int32_t getMediaTime() override;

 private:
  std::function<std::int64_t()> nowMs_;
  bool paced_ = false;
  std::int64_t origin_ = 0;
  std::int64_t startMs_ = 0;
};

}  // namespace QuarnHost
