// The library-free UTF codecs on arbitrary bytes, read both as UTF-8 and as
// UTF-16 LE units.
//
// Checked where the properties hold: isValidUtf8 agrees with the strict
// converter and with isLegalUtf8Sequence; a stop leaves the source at an
// illegal sequence with everything before it converted; with an exact-size
// target (its own heap block, so that ASan sees a write past its end) the
// conversion fits, with one unit less it stops at targetExhausted having
// written the same prefix, and cut inside the last character it stops at
// sourceExhausted; the lenient decoder agrees with the strict one on
// valid text (less one leading mark) and round-trips through wideToUtf8; and
// wideToUtf8 output is valid exactly when its input is well-formed UTF-16.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "text/Utf.h"

namespace {

using Quarn::ConversionResult;

struct Strict {
  ConversionResult result;
  std::size_t consumed;
  std::u16string units;
};

// The strict conversion of the first `length` bytes into a target of exactly
// `room` units; both are blocks of their own, so ASan sees any access past them.
Strict strict(const unsigned char* text, std::size_t length, std::size_t room) {
  const std::vector<unsigned char> bytes(text, text + length);
  std::vector<char16_t> target(room);
  const unsigned char* source = bytes.data();
  char16_t* out = target.data();
  const ConversionResult result =
      Quarn::convertUtf8ToUtf16(&source, bytes.data() + length, &out, target.data() + room);
  FUZZ_CHECK(source >= bytes.data() && source <= bytes.data() + length);
  FUZZ_CHECK(out >= target.data() && out <= target.data() + room);
  return {result, static_cast<std::size_t>(source - bytes.data()),
          std::u16string(target.data(), out - target.data())};
}

bool isWellFormedUtf16(const std::u16string& units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] >= 0xDC00 && units[i] <= 0xDFFF)
      return false;
    if (units[i] >= 0xD800 && units[i] <= 0xDBFF) {
      if (++i == units.size() || units[i] < 0xDC00 || units[i] > 0xDFFF)
        return false;
    }
  }
  return true;
}

void checkUtf8(const unsigned char* text, std::size_t length) {
  const bool valid = Quarn::isValidUtf8(text, length);
  // UTF-16 never needs more units than UTF-8 has bytes.
  const Strict full = strict(text, length, length);
  FUZZ_CHECK(valid == (full.result == Quarn::conversionOK));
  FUZZ_CHECK(full.result != Quarn::targetExhausted);
  FUZZ_CHECK(Quarn::isValidUtf8(text, full.consumed));  // everything before the stop
  if (!valid) {
    FUZZ_CHECK(!Quarn::isLegalUtf8Sequence(text + full.consumed, text + length));
    FUZZ_CHECK(strict(text, full.consumed, full.units.size()).units == full.units);
    return;
  }
  FUZZ_CHECK(full.consumed == length);
  const Strict exact = strict(text, length, full.units.size());
  FUZZ_CHECK(exact.result == Quarn::conversionOK && exact.units == full.units);
  if (!full.units.empty()) {
    const Strict tight = strict(text, length, full.units.size() - 1);
    FUZZ_CHECK(tight.result == Quarn::targetExhausted);
    FUZZ_CHECK(tight.consumed < length &&
               Quarn::isLegalUtf8Sequence(text + tight.consumed, text + length));
    FUZZ_CHECK(full.units.compare(0, tight.units.size(), tight.units) == 0);
    // Cut inside its last character, the text ends inside a sequence.
    const Strict cut = strict(text, length - 1, full.units.size());
    FUZZ_CHECK(cut.result ==
               (text[length - 1] < 0x80 ? Quarn::conversionOK : Quarn::sourceExhausted));
  }

  const bool marked = length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF;
  const std::u16string wide = Quarn::utf8ToWide(text, length);
  FUZZ_CHECK(wide == (marked ? full.units.substr(1) : full.units));
  const std::string narrow(reinterpret_cast<const char*>(text) + (marked ? 3 : 0),
                           length - (marked ? 3 : 0));
  FUZZ_CHECK(Quarn::wideToUtf8(wide) == narrow);
}

void checkUtf16(const std::uint8_t* data, std::size_t size) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const std::string narrow = Quarn::wideToUtf8(units);
  if (units.empty())
    return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(narrow.data());
  const bool wellFormed = isWellFormedUtf16(units);
  FUZZ_CHECK(wellFormed == (!narrow.empty() && Quarn::isValidUtf8(bytes, narrow.size())));
  // Lone low surrogates are encoded, and the lenient decoder takes them back.
  if (!narrow.empty())
    FUZZ_CHECK(Quarn::utf8ToWide(narrow) == (units[0] == 0xFEFF ? units.substr(1) : units));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input is libFuzzer's own exact-size copy: a read past it is caught.
  checkUtf8(data, size);
  checkUtf16(data, size);
  return 0;
}
