#include "TextWarning.h"

#include <cstring>

#include <rules/Utf8.h>

#include "IcuText.h"

namespace QuarnHost {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

std::uint64_t wordAt(const unsigned char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// True when no byte of the text has its high bit set. Scripts are mostly
// ASCII, and an entry is tested 32 bytes a step; the last word may overlap
// the one before it.
bool isAscii(const unsigned char* at, const unsigned char* end) {
  if (end - at < 8) {
    unsigned char high = 0;
    for (; at < end; ++at)
      high |= *at;
    return high < 0x80;
  }
  std::uint64_t high = 0;
  for (; end - at >= 32; at += 32)
    high |= wordAt(at) | wordAt(at + 8) | wordAt(at + 16) | wordAt(at + 24);
  for (; end - at >= 8; at += 8)
    high |= wordAt(at);
  return ((high | wordAt(end - 8)) & kHighBits) == 0;
}

}  // namespace

void ReplacementCount::add(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = at + bytes.size();
  if (isAscii(at, end))
    return;
  while (at < end) {
    if (end - at >= 8 && (wordAt(at) & kHighBits) == 0) {
      at += 8;
      continue;
    }
    if (*at < 0x80) {
      ++at;
      continue;
    }
    const Quarn::Utf8Step step = Quarn::nextUtf8(at, end);
    count_ +=
        !step.wellFormed || (step.length == 3 && at[0] == 0xEF && at[1] == 0xBF && at[2] == 0xBD);
    at += step.length;
  }
}

std::string replacementWarning(const SourceFile& file, const CodePageSettings& settings,
                               const SettingNames& names, std::uint64_t shown) {
  if (shown == 0 || !file.readable)
    return {};
  const ReadEncoding encoding = readEncodingOf(file, settings);
  const std::string_view text = std::string_view(file.bytes).substr(encoding.skip);
  const std::uint64_t held = countHeldReplacements(text, encoding.converter);
  if (shown <= held)
    return {};
  const std::uint64_t replaced = shown - held;
  const std::string name = fileNameOf(file);
  return std::to_string(replaced) + (replaced == 1 ? " character of " : " characters of ") + name +
         " could not be read as " + encoding.shown + " and " + (replaced == 1 ? "was" : "were") +
         " replaced; " + suggestEncoding(file, settings, names);
}

}  // namespace QuarnHost
