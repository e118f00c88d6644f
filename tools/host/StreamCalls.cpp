#include "StreamCalls.h"

namespace QuarnHost::Traced {
namespace {

JsonFields streamArgs(const Quarn::StreamInterface& stream) {
  return JsonFields().number("stream", static_cast<std::int64_t>(stream.streamId()));
}

const char* boolean(bool value) {
  return value ? "true" : "false";
}

}  // namespace

Quarn::Result setConsumer(Trace* trace, Quarn::StreamInterface& stream,
                          Quarn::StreamConsumer* consumer) {
  Trace::Call call(trace, "setConsumer");
  const Quarn::Result result = stream.setConsumer(consumer);
  call.done(streamArgs(stream), traceResult(result));
  return result;
}

bool setRate(Trace* trace, Quarn::StreamInterface& stream, std::int32_t rate) {
  Trace::Call call(trace, "setRate");
  const bool set = stream.setRate(rate);
  call.done(streamArgs(stream).number("rate", rate), boolean(set));
  return set;
}

Quarn::Result rewind(Trace* trace, Quarn::StreamInterface& stream) {
  Trace::Call call(trace, "rewind");
  const Quarn::Result result = stream.rewind();
  call.done(streamArgs(stream), traceResult(result));
  return result;
}

Quarn::Result seekStream(Trace* trace, Quarn::StreamInterface& stream, std::uint32_t time,
                         std::uint32_t* reached) {
  Trace::Call call(trace, "seekStream");
  const Quarn::Result result = stream.seekStream(time, reached, 0);
  JsonFields more;
  if (reached != nullptr)
    more.number("reached", *reached);
  call.done(streamArgs(stream).number("time", time), traceResult(result), more);
  return result;
}

Quarn::Result readStream(Trace* trace, Quarn::StreamInterface& stream, Quarn::MediaChunk** chunk) {
  Trace::Call call(trace, "readStream");
  const Quarn::Result result = stream.readStream(chunk);
  JsonFields more;
  if (chunk != nullptr && *chunk != nullptr) {
    const Quarn::MediaChunk& c = **chunk;
    more.raw("chunk", JsonFields()
                          .number("n", static_cast<std::int64_t>(trace->handedOut(&c)))
                          .number("timestamp", c.timestamp)
                          .number("duration", c.duration)
                          .number("length", c.length())
                          .object());
  } else {
    more.raw("chunk", "null");
  }
  call.done(streamArgs(stream), traceResult(result), more);
  return result;
}

unsigned char* lockData(Trace* trace, Quarn::MediaChunk& chunk) {
  Trace::Call call(trace, "lockData");
  unsigned char* data = chunk.lockData();
  call.done(JsonFields().number("chunk", static_cast<std::int64_t>(trace->numberOf(&chunk))), {});
  return data;
}

void unlockData(Trace* trace, Quarn::MediaChunk& chunk) {
  Trace::Call call(trace, "unlockData");
  chunk.unlockData();
  call.done(JsonFields().number("chunk", static_cast<std::int64_t>(trace->numberOf(&chunk))), {});
}

void release(Trace* trace, Quarn::MediaChunk& chunk) {
  // The number is taken first: once given back, the object may be handed
  // out again before this line is written.
  const auto n = static_cast<std::int64_t>(trace->givenBack(&chunk));
  Trace::Call call(trace, "release");
  chunk.release();
  call.done(JsonFields().number("chunk", n), {});
}

}  // namespace QuarnHost::Traced
