#include "JsonText.h"

#include <cstdint>
#include <cstdio>

namespace QuarnPlay {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

/// Length of the well-formed sequence that `lead` starts (0 when `lead` can
/// start none) and the range allowed for its second byte, which is what rules
/// out overlong forms, surrogates and values above U+10FFFF.
struct LeadByte {
  int length;
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

std::string toWellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const LeadByte lead = classify(static_cast<std::uint8_t>(bytes[i]));
    if (lead.length == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    // Count how many bytes of the sequence are acceptable; stop at the first
    // that is not, which then starts the next round.
    std::size_t good = 1;
    while (good < static_cast<std::size_t>(lead.length) && i + good < bytes.size()) {
      const auto byte = static_cast<std::uint8_t>(bytes[i + good]);
      const std::uint8_t low = good == 1 ? lead.secondLow : 0x80;
      const std::uint8_t high = good == 1 ? lead.secondHigh : 0xBF;
      if (byte < low || byte > high)
        break;
      ++good;
    }
    if (good == static_cast<std::size_t>(lead.length))
      out.append(bytes.substr(i, good));
    else
      out += kReplacement;
    i += good;
  }
  return out;
}

std::string jsonString(std::string_view bytes) {
  const std::string text = toWellFormedUtf8(bytes);
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace QuarnPlay
