// What a host asks ICU itself about a script's text. The plug-in loads ICU
// at run time; a host may link it, and this system's ICU is the one the
// plug-in finds, so a text decoded here is the text the plug-in reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace QuarnHost {

/// True when ICU has a converter called `name`.
bool isKnownCodePage(const std::string& name);

/// A text decoded from a code page into UTF-8.
struct DecodedText {
  /// False when ICU has no converter by that name.
  bool known = false;
  /// The UTF-8 bytes, zero characters included; what ICU could not decode
  /// is replaced by its substitute (U+FFFD for most code pages).
  std::string text;
};

/// `bytes` decoded from `name` to UTF-8 the way the plug-in converts them:
/// to UTF-16 and from there to UTF-8, with ICU's own substitutions.
DecodedText decodeText(std::string_view bytes, const std::string& name);

/// How many U+FFFD characters `bytes` really hold in the code page `name`:
/// decoded with nothing substituted, so that a replacement the decoding
/// makes is not counted. An empty name means the bytes are UTF-8 as they
/// are; an unknown name counts nothing.
std::uint64_t countHeldReplacements(std::string_view bytes, const std::string& name);

/// ICU's charset detector's best guess for the text `bytes`, a code page
/// ICU can convert; none when it has none.
struct EncodingGuess {
  std::string name;
  /// 0 to 100.
  std::int32_t confidence = 0;
};
std::optional<EncodingGuess> guessEncoding(std::string_view bytes);

/// True when the code page `name` decodes ASCII as ASCII, as the legacy
/// code pages scripts are written in do: one that does not (UTF-16, EBCDIC)
/// would turn a script's markup into other characters too.
bool keepsAscii(const std::string& name);

/// The confidence from which a guess is taken as the encoding (followed by
/// a host that detects, given as the likely encoding in advice); a lower one
/// is given as a possibility. On 464 scripts of 1 to 80 dialogue lines in
/// 17 languages and 19 legacy code pages (scripts/measure-code-page-
/// detection), a guess at 25 or more read right 439 of them and wrong 12:
/// scripts of 1 to 3 lines, and Greek read as ISO-8859-7 at 49 to 51, where
/// right Greek guesses score the same. At 50, Russian, Ukrainian, Czech and
/// Arabic scripts of 80 lines (33 to 48) were never read right.
constexpr std::int32_t kConfidentGuess = 25;

}  // namespace QuarnHost
