// A logging library for the explanation fuzzer: it records the format of
// every line the plug-in writes, in memory, instead of writing it. Built as
// libQuarn_Logging.so, so that the plug-in's logger, asking for that name,
// finds this library once the fuzzer has loaded it.
#include <cstdarg>
#include <string>
#include <vector>

#define RECORDER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::vector<const char*> formats;
}  // namespace

RECORDER_EXPORT int QuarnLog_configure(void) {
  return 1;
}
RECORDER_EXPORT int QuarnLog_close(void) {
  return 1;
}
RECORDER_EXPORT int QuarnLog_isEnabled(void) {
  return 1;
}
// The format, not the formatted line: a script's own text, which the lines
// quote, can then never pass for a step of the reader.
RECORDER_EXPORT int QuarnLog_write(const char*, const char*, int, const char* format, va_list*) {
  formats.push_back(format);
  return 1;
}

/// The formats written since the last call, which empties the record.
RECORDER_EXPORT std::vector<const char*>* LogRecorder_take(void) {
  static std::vector<const char*> taken;
  taken.swap(formats);
  formats.clear();
  return &taken;
}
