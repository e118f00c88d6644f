// Splits the field part of a "Format:" or event line.
#pragma once

#include <cstddef>
#include <limits>
#include <string_view>
#include <vector>

namespace Quarn {

/// Replaces `fields` with the tokens of `text` separated by any byte of
/// `delimiters`. A run of delimiters separates like one, so empty fields are
/// dropped and later fields move down; a token keeps everything but the
/// blanks (0x20) at its ends, so a token of blanks only is an empty field.
/// Stops once `maxFields` tokens are collected, for callers that only need
/// the first few. The views point into `text`; reusing `fields` avoids
/// allocating per line.
void tokenize(std::string_view text, std::string_view delimiters,
              std::vector<std::string_view>& fields,
              std::size_t maxFields = std::numeric_limits<std::size_t>::max());

}  // namespace Quarn
