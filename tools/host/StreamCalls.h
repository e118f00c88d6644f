// The calls a host makes on a stream and on the chunks it hands out, each
// written to the trace when there is one. The player and the elements call
// the plug-in's stream through these, so both trace the same crossings.
#pragma once

#include <cstdint>

#include <quarn/HostInterfaces.h>
#include <quarn/MediaBuffer.h>
#include <quarn/StreamInterface.h>

#include "Trace.h"

namespace QuarnHost {

Quarn::Result setConsumer(Trace* trace, Quarn::StreamInterface& stream,
                          Quarn::StreamConsumer* consumer);
bool setRate(Trace* trace, Quarn::StreamInterface& stream, std::int32_t rate);
Quarn::Result rewind(Trace* trace, Quarn::StreamInterface& stream);
Quarn::Result seekStream(Trace* trace, Quarn::StreamInterface& stream, std::uint32_t time,
                         std::uint32_t* reached);
/// A chunk handed out gets its number in the trace here.
Quarn::Result readStream(Trace* trace, Quarn::StreamInterface& stream, Quarn::MediaChunk** chunk);

unsigned char* lockData(Trace* trace, Quarn::MediaChunk& chunk);
void unlockData(Trace* trace, Quarn::MediaChunk& chunk);
/// Gives the chunk back; it is gone afterwards.
void release(Trace* trace, Quarn::MediaChunk& chunk);

}  // namespace QuarnHost
