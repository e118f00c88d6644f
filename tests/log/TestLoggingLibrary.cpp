// A logging library for the facade's tests; it records instead of writing.
#include "log/TestLoggingLibrary.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "log/LoggingLibrary.h"

#define TESTLOG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
TestLogState state;
}  // namespace

TESTLOG_EXPORT TestLogState* TestLog_state(void) {
  return &state;
}

TESTLOG_EXPORT int QuarnLog_configure(void) {
  return ++state.configureCalls;
}

TESTLOG_EXPORT int QuarnLog_close(void) {
  return ++state.closeCalls;
}

TESTLOG_EXPORT int QuarnLog_isEnabled(void) {
  ++state.isEnabledCalls;
#ifdef TESTLOG_DISABLED
  // Only the low byte counts: this is "disabled" despite the high bits.
  return 0x100;
#else
  return 1;
#endif
}

#ifndef TESTLOG_WITHOUT_WRITE
static void copyText(char* target, std::size_t capacity, const char* text) {
  std::snprintf(target, capacity, "%s", text != nullptr ? text : "(null)");
}

TESTLOG_EXPORT int QuarnLog_write(const char* category, const char* function, int line,
                                  const char* format, va_list* arguments) {
  ++state.writeCalls;
  copyText(state.category, sizeof state.category, category);
  copyText(state.function, sizeof state.function, function);
  state.line = line;
  state.format = format;
  std::vsnprintf(state.message, sizeof state.message, format, *arguments);
  return 1;
}
#endif
