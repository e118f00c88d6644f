// What the typefinder decides from a file's first bytes: whether it is an
// SSA/ASS script the element opens, which of the two, and its encoding where
// the bytes show it. Apart from GStreamer so that the tests take it alone.
//
// Only a file whose first line that is not blank starts "[Script Info]" or
// "[Events]", in that case, is claimed: the reader finds the events section
// by that exact line, and every script writer starts with one of the two. A
// file that merely holds event lines, or section names in another case, is
// left to the other typefinders; claiming it would take subtitles and text
// files that are not scripts.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace QuarnGst {

/// How many bytes the typefinder looks at.
constexpr std::size_t kSniffLength = 4096;

enum class ScriptVariant { Ass, Ssa };

struct ScriptSniff {
  ScriptVariant variant;
  /// The converter name of the text's encoding when the bytes show it: the
  /// byte-order mark's, or "UTF16-LE"/"UTF16-BE" (the names the marks use)
  /// for UTF-16 without one.
  /// Empty for unmarked text of one byte per ASCII character, whose code
  /// page (UTF-8 or a legacy one) the header does not tell.
  std::string_view encoding;
};

/// Judges the first `length` bytes of a file. A script is v4.00+ (ASS) when
/// these bytes hold a "ScriptType: v4.00+" line or a "[V4+ Styles]" section,
/// as the element's output caps decide it; otherwise v4 (SSA).
std::optional<ScriptSniff> sniffScript(const unsigned char* data, std::size_t length);

}  // namespace QuarnGst
