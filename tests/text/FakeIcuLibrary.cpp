// A stand-in for the ICU common library, exporting the four converter
// entries under the names the loader looks for.
#include "text/FakeIcuLibrary.h"

#include <cstdint>
#include <cstring>

#define FAKEICU_EXPORT extern "C" __attribute__((visibility("default")))
#define FAKEICU_CAT2(a, b) a##b
#define FAKEICU_CAT(a, b) FAKEICU_CAT2(a, b)
#define FAKEICU_ENTRY(name) FAKEICU_CAT(name, FAKEICU_SUFFIX)

struct UConverter {
  bool toUtf8;
};

namespace {
FakeIcuCounters counters;
UConverter latin1{false};
UConverter utf8{true};
}  // namespace

FAKEICU_EXPORT FakeIcuCounters* FakeIcu_counters(void) {
  return &counters;
}

FAKEICU_EXPORT UConverter* FAKEICU_ENTRY(ucnv_open)(const char* name, std::int32_t* error) {
  UConverter* converter = nullptr;
  if (std::strcmp(name, "fake-latin1") == 0 || std::strcmp(name, "fake-failing") == 0)
    converter = &latin1;
  else if (std::strcmp(name, "utf8") == 0)
    converter = &utf8;
  if (converter == nullptr) {
    *error = 4;  // U_FILE_ACCESS_ERROR: no such converter
    return nullptr;
  }
  if (std::strcmp(name, "fake-failing") == 0)
    *error = 1;  // a converter and a failure together
  ++counters.opens;
  return converter;
}

FAKEICU_EXPORT void FAKEICU_ENTRY(ucnv_close)(UConverter*) {
  ++counters.closes;
}

FAKEICU_EXPORT void FAKEICU_ENTRY(ucnv_toUnicode)(UConverter*, char16_t** target,
                                                  const char16_t* targetLimit, const char** source,
                                                  const char* sourceLimit, std::int32_t*,
                                                  std::int8_t, std::int32_t*) {
  while (*source < sourceLimit && *target < targetLimit)
    *(*target)++ = static_cast<unsigned char>(*(*source)++);
}

#ifndef FAKEICU_WITHOUT_FROMUNICODE
FAKEICU_EXPORT void FAKEICU_ENTRY(ucnv_fromUnicode)(UConverter*, char** target,
                                                    const char* targetLimit,
                                                    const char16_t** source,
                                                    const char16_t* sourceLimit, std::int32_t*,
                                                    std::int8_t, std::int32_t*) {
  // ASCII only; anything else becomes '?'.
  while (*source < sourceLimit && *target < targetLimit) {
    const char16_t unit = *(*source)++;
    *(*target)++ = unit < 0x80 ? static_cast<char>(unit) : '?';
  }
}
#endif
