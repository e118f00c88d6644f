// The calls a host makes on a stream and on the chunks it hands out, each
// written to the trace when there is one. The player and the elements call
// the plug-in's stream through these, so both trace the same crossings.
// Without a trace each is the plain call after one test of the pointer.
#pragma once

#include <cstdint>

#include <quarn/HostInterfaces.h>
#include <quarn/MediaBuffer.h>
#include <quarn/StreamInterface.h>

#include "Trace.h"

namespace QuarnHost {

/// The traced forms; `trace` is never null here.
namespace Traced {
Quarn::Result setConsumer(Trace* trace, Quarn::StreamInterface& stream,
                          Quarn::StreamConsumer* consumer);
bool setRate(Trace* trace, Quarn::StreamInterface& stream, std::int32_t rate);
Quarn::Result rewind(Trace* trace, Quarn::StreamInterface& stream);
Quarn::Result seekStream(Trace* trace, Quarn::StreamInterface& stream, std::uint32_t time,
                         std::uint32_t* reached);
Quarn::Result readStream(Trace* trace, Quarn::StreamInterface& stream, Quarn::MediaChunk** chunk);
unsigned char* lockData(Trace* trace, Quarn::MediaChunk& chunk);
void unlockData(Trace* trace, Quarn::MediaChunk& chunk);
void release(Trace* trace, Quarn::MediaChunk& chunk);
}  // namespace Traced

inline Quarn::Result setConsumer(Trace* trace, Quarn::StreamInterface& stream,
                                 Quarn::StreamConsumer* consumer) {
  return trace ? Traced::setConsumer(trace, stream, consumer) : stream.setConsumer(consumer);
}
inline bool setRate(Trace* trace, Quarn::StreamInterface& stream, std::int32_t rate) {
  return trace ? Traced::setRate(trace, stream, rate) : stream.setRate(rate);
}
inline Quarn::Result rewind(Trace* trace, Quarn::StreamInterface& stream) {
  return trace ? Traced::rewind(trace, stream) : stream.rewind();
}
inline Quarn::Result seekStream(Trace* trace, Quarn::StreamInterface& stream, std::uint32_t time,
                                std::uint32_t* reached) {
  return trace ? Traced::seekStream(trace, stream, time, reached)
               : stream.seekStream(time, reached, 0);
}
/// A chunk handed out gets its number in the trace here.
inline Quarn::Result readStream(Trace* trace, Quarn::StreamInterface& stream,
                                Quarn::MediaChunk** chunk) {
  return trace ? Traced::readStream(trace, stream, chunk) : stream.readStream(chunk);
}
inline unsigned char* lockData(Trace* trace, Quarn::MediaChunk& chunk) {
  return trace ? Traced::lockData(trace, chunk) : chunk.lockData();
}
inline void unlockData(Trace* trace, Quarn::MediaChunk& chunk) {
  trace ? Traced::unlockData(trace, chunk) : chunk.unlockData();
}
/// Gives the chunk back; it is gone afterwards.
inline void release(Trace* trace, Quarn::MediaChunk& chunk) {
  trace ? Traced::release(trace, chunk) : chunk.release();
}

}  // namespace QuarnHost
