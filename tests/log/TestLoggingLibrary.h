// What the test logging library records about the calls it receives. The
// library is built in three forms: complete; without QuarnLog_write
// (TESTLOG_WITHOUT_WRITE); and reporting itself disabled (TESTLOG_DISABLED).
#pragma once

struct TestLogState {
  int configureCalls;
  int closeCalls;
  int isEnabledCalls;
  int writeCalls;
  char category[64];
  char function[160];
  int line;
  const char* format;  // the pointer received, to prove it is passed unchanged
  char message[256];   // the format applied to the argument list
};

extern "C" {
typedef TestLogState* (*TestLogStateFunction)(void);
}
