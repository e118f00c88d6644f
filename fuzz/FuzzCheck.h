// What the fuzzers share: a check that stops the run at the first broken
// promise, with the condition and where it was written.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace QuarnFuzz {

// abort() is what libFuzzer treats as a crash: it saves the input that did it.
[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

}  // namespace QuarnFuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::QuarnFuzz::checkFailed(#condition, __FILE__, __LINE__))
