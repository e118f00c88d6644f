#include "TextWarning.h"

#include <rules/Utf8.h>

#include "IcuText.h"

namespace QuarnHost {

void ReplacementCount::add(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = at + bytes.size();
  for (at = Quarn::skipAscii(at, end); at < end; at = Quarn::skipAscii(at, end)) {
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
