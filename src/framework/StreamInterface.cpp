#include "StreamInterface.h"

#include <mutex>

#include "RecursiveLock.h"

namespace Quarn {

StreamInterface::StreamInterface(std::uint64_t containerId, std::uint64_t streamId,
                                 std::uint32_t kindFlags)
    : containerId_(containerId), streamId_(streamId), kindFlags_(kindFlags) {
  buildLock(streamLock_);
}

StreamInterface::~StreamInterface() {
  destroyLock(streamLock_);
}

void StreamInterface::getValuePair(std::int32_t& first, std::int32_t& second) {
  first = valuePair_[0];
  second = valuePair_[1];
}

std::uint32_t StreamInterface::getKindFlags() {
  return kindFlags_;
}

List<StreamInterface*> StreamInterface::getLinkedStreams(std::uint32_t mask) {
  std::lock_guard<boost::recursive_mutex> guard(lockIn(streamLock_));
  List<StreamInterface*> result;
  for (const auto& entry : linkedStreams_) {
    if ((entry.second.first & mask) == mask)
      result.pushBack(entry.second.second);
  }
  return result;
}

std::int32_t StreamInterface::getExtraValue() {
  return lastEndTime_;
}

bool StreamInterface::isFlagSet() {
  return flag_;
}

bool StreamInterface::setRate(std::int32_t rate) {
  rate_.store(rate, std::memory_order_relaxed);
  return true;
}

std::int32_t StreamInterface::getRate() {
  return rate_;
}

bool StreamInterface::setParamA(std::int32_t value) {
  paramA_ = value;
  return true;
}

std::int32_t StreamInterface::getParamA() {
  return paramA_;
}

void StreamInterface::setParamB(std::int32_t value) {
  paramB_ = value;
}

std::int32_t StreamInterface::getParamB() {
  return paramB_;
}

bool StreamInterface::takeHeader(List<MediaBuffer*>&) {
  return false;
}

}  // namespace Quarn
