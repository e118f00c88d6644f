// What the test logging library records. It is built complete, without
// QuarnLog_write (TESTLOG_WITHOUT_WRITE) and disabled (TESTLOG_DISABLED).
#pragma once

struct TestLogState {
  int configureCalls, closeCalls, isEnabledCalls, writeCalls;
  char category[64];
  char function[160];
  int line;
  const char* format;  // the pointer received, to prove it is not copied
  char message[256];   // the format applied to the argument list
};

extern "C" typedef TestLogState* (*TestLogStateFunction)(void);
