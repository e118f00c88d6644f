// Counters of the fake ICU library, which converts between Latin-1 and
// UTF-16 under the converter name "fake-latin1", opens "utf8" too, and
// returns a converter together with a failure code for "fake-failing".
// Built with versioned entry names (FAKEICU_SUFFIX) or plain names, and
// optionally without ucnv_fromUnicode (FAKEICU_WITHOUT_FROMUNICODE).
#pragma once

struct FakeIcuCounters {
  int opens;   // converters handed out
  int closes;  // converters given back
};

extern "C" {
typedef FakeIcuCounters* (*FakeIcuCountersFunction)(void);
}
