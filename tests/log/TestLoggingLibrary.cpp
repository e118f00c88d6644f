// A logging library for the facade's tests: it records instead of writing.
#include "log/TestLoggingLibrary.h"

#include <cstdarg>
#include <cstdio>

#define TESTLOG_EXPORT extern "C" __attribute__((visibility("default")))

static TestLogState state;

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
  return 0x100;  // "disabled": only the low byte counts
#else
  return 1;
#endif
}

#ifndef TESTLOG_WITHOUT_WRITE
TESTLOG_EXPORT int QuarnLog_write(const char* category, const char* function, int line,
                                  const char* format, va_list* arguments) {
  ++state.writeCalls;
  std::snprintf(state.category, sizeof state.category, "%s", category);
  std::snprintf(state.function, sizeof state.function, "%s", function);
  state.line = line;
  state.format = format;
  std::vsnprintf(state.message, sizeof state.message, format, *arguments);
  return 1;
}
#endif
