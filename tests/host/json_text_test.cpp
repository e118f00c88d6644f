// Payload text as the player prints it: ill-formed UTF-8 replaced by maximal
// subparts, and JSON string literals.
#include <gtest/gtest.h>

#include <string>

#include "JsonText.h"

namespace QuarnHost {
namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

struct Case {
  const char* why;
  std::string input;
  std::string expected;
};

TEST(WellFormedUtf8, KeepsValidTextAndReplacesEachMaximalSubpartOnce) {
  const Case cases[] = {
      // Well-formed text of every length passes unchanged, zero bytes included.
      {"ASCII", "Hello, world", "Hello, world"},
      {"zero byte", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"U+00E9", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"U+20AC", "\xE2\x82\xAC", "\xE2\x82\xAC"},
      {"U+1F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      // Bytes that can never start a sequence stand alone.
      {"lone continuation",
       "a\x80"
       "b",
       "a" + kFFFD + "b"},
      {"C0 and C1 are overlong leads", "\xC0\xAF", kFFFD + kFFFD},
      {"F5 and above", "\xF5\x80", kFFFD + kFFFD},
      {"FF", "\xFF", kFFFD},
      // A lead whose second byte is out of its range ends the subpart at once.
      {"overlong three-byte E0 80", "\xE0\x80\x80", kFFFD + kFFFD + kFFFD},
      {"surrogate ED A0", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD},
      {"above U+10FFFF F4 90", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
      {"overlong four-byte F0 80", "\xF0\x80\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
      // A truncated sequence is one replacement, whatever follows it.
      {"truncated at the end", "x\xE2\x82", "x" + kFFFD},
      {"truncated before ASCII",
       "\xE2\x82"
       "A",
       kFFFD + "A"},
      {"truncated four-byte before ASCII", "\xF0\x9F\x98x", kFFFD + "x"},
      {"truncated before a new lead", "\xC3\xC3\xA9", kFFFD + "\xC3\xA9"},
      // The Unicode Standard's own example of maximal subparts.
      {"standard example", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       "a" + kFFFD + kFFFD + kFFFD + "b" + kFFFD + "c" + kFFFD + kFFFD + "d"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(toWellFormedUtf8(c.input), c.expected) << c.why;
}

TEST(JsonString, EscapesWhatJsonRequiresAndNothingElse) {
  const Case cases[] = {
      {"plain", "Hello", "\"Hello\""},
      {"empty", "", "\"\""},
      {"quote and backslash", "say \"hi\" \\N", "\"say \\\"hi\\\" \\\\N\""},
      {"short escapes", "\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {"zero byte", std::string("a\0b", 3), "\"a\\u0000b\""},
      {"other controls", "\x01\x1b\x1f", "\"\\u0001\\u001b\\u001f\""},
      // DEL, slash and non-ASCII text are legal as they are.
      {"DEL and slash", "\x7f/", "\"\x7f/\""},
      {"non-ASCII", "Z\xC3\xAB", "\"Z\xC3\xAB\""},
      {"ill-formed byte", "caf\xE9!", "\"caf" + kFFFD + "!\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(jsonString(c.input), c.expected) << c.why;
}

}  // namespace
}  // namespace QuarnHost
