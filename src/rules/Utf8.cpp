#include "rules/Utf8.h"

#include <cstdint>
#include <cstring>

namespace Quarn {
namespace {

/// Length of the well-formed sequence that `lead` starts (0 when `lead` can
/// start none) and the range allowed for its second byte, which is what rules
/// out overlong forms, surrogates and values above U+10FFFF.
struct LeadByte {
  std::size_t length;
  std::uint8_t secondLow;
  std::uint8_t secondHigh;
};

LeadByte classify(std::uint8_t lead) {
  if (lead < 0x80)
    return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF)
    return {2, 0x80, 0xBF};
  if (lead == 0xE0)
    return {3, 0xA0, 0xBF};
  if (lead == 0xED)
    return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF)
    return {3, 0x80, 0xBF};
  if (lead == 0xF0)
    return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3)
    return {4, 0x80, 0xBF};
  if (lead == 0xF4)
    return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

unsigned char* appendUtf8(char32_t code, unsigned char* out) {
  if (code < 0x80) {
    *out++ = static_cast<unsigned char>(code);
    return out;
  }
  int count;
  if (code < 0x800) {
    *out++ = static_cast<unsigned char>(0xC0 | (code >> 6));
    count = 2;
  } else if (code < 0x10000) {
    *out++ = static_cast<unsigned char>(0xE0 | (code >> 12));
    count = 3;
  } else {
    *out++ = static_cast<unsigned char>(0xF0 | (code >> 18));
    count = 4;
  }
  for (int k = 1; k < count; ++k)
    *out++ = static_cast<unsigned char>(0x80 | ((code >> (6 * (count - 1 - k))) & 0x3F));
  return out;
}

Utf8Step nextUtf8(const unsigned char* text, const unsigned char* end) {
  const LeadByte lead = classify(*text);
  if (lead.length == 0)
    return {1, false};
  // Count the acceptable bytes; the first that is not starts the next step.
  std::size_t good = 1;
  while (good < lead.length && text + good < end) {
    const std::uint8_t byte = text[good];
    const std::uint8_t low = good == 1 ? lead.secondLow : 0x80;
    const std::uint8_t high = good == 1 ? lead.secondHigh : 0xBF;
    if (byte < low || byte > high)
      break;
    ++good;
  }
  return {good, good == lead.length};
}

bool isLegalUtf8Sequence(const unsigned char* text, const unsigned char* end) {
  return text != nullptr && end != nullptr && text < end && nextUtf8(text, end).wellFormed;
}

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

std::uint64_t wordAt(const unsigned char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

}  // namespace

const unsigned char* skipAscii(const unsigned char* text, const unsigned char* end) {
  const unsigned char* const start = text;
  for (; end - text >= 32; text += 32) {
    if (((wordAt(text) | wordAt(text + 8) | wordAt(text + 16) | wordAt(text + 24)) & kHighBits) !=
        0)
      break;
  }
  for (; end - text >= 8; text += 8) {
    if ((wordAt(text) & kHighBits) != 0)
      break;
  }
  // A short rest is tested in one word that overlaps what came before.
  if (end - text < 8 && end - start >= 8 && (wordAt(end - 8) & kHighBits) == 0)
    return end;
  while (text < end && *text < 0x80)
    ++text;
  return text;
}

bool isValidUtf8(const unsigned char* text, std::size_t length) {
  const unsigned char* const end = text + length;
  for (text = skipAscii(text, end); text < end; text = skipAscii(text, end)) {
    const Utf8Step step = nextUtf8(text, end);
    if (!step.wellFormed)
      return false;
    text += step.length;
  }
  return true;
}

}  // namespace Quarn
