// The host's media clock, which it gives to the stream as its consumer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <quarn/HostInterfaces.h>

#include "Trace.h"

namespace QuarnHost {

class MediaClock : public Quarn::StreamConsumer {
 public:
  /// The largest media time: every entry that can ever be due is due.
  static constexpr std::int32_t kLatest = 2147483647;

  /// `nowMs` is a monotonic clock in milliseconds; by default the steady clock.
  explicit MediaClock(std::function<std::int64_t()> nowMs = {});

  /// From now on the clock answers kLatest.
  void runFree();
  /// From now on the clock runs from `startMs` (clamped to [0, kLatest]) at
  /// |rate|/1000 of the speed of `nowMs`: forward for a positive rate,
  /// backward for a negative one; at rate 0 it stands still. It stops at 0
  /// and at kLatest and stays there.
  void startPaced(std::int64_t startMs, std::int32_t rate = 1000);

  /// The media time, as the plug-in asks for it; traced as its call.
  std::int32_t getMediaTime() override;
  /// The same, for the host's own use.
  std::int32_t now();
  /// Where the plug-in's readings are traced; null for none.
  void setTrace(Trace* trace) { trace_ = trace; }

  /// Milliseconds of `nowMs` until the clock reaches `time` (clamped to
  /// [0, kLatest]) in its own direction: at or after it when running
  /// forward, at or before it backward. 0 once it has, and always for a free
  /// clock; none when it never will (a clock standing short of it).
  std::optional<std::int64_t> msUntil(std::int64_t time);

 private:
  /// Apart, so that an untraced reading stays a few instructions.
  [[gnu::noinline]] std::int32_t tracedReading();
  /// Milliseconds of `nowMs` since startPaced, never negative.
  std::int64_t elapsed();

  std::function<std::int64_t()> nowMs_;
  Trace* trace_ = nullptr;
  bool paced_ = false;
  bool backward_ = false;
  /// |rate|, which for the lowest rate does not fit 32 bits.
  std::int64_t speed_ = 1000;
  std::int64_t origin_ = 0;
  std::int64_t startMs_ = 0;
};

}  // namespace QuarnHost
