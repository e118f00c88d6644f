// Text as the player prints it: payload bytes made into well-formed UTF-8,
// and JSON string literals.
#pragma once

#include <string>
#include <string_view>

namespace QuarnHost {

/// `bytes` with every ill-formed UTF-8 sequence replaced by U+FFFD, one per
/// maximal subpart (the Unicode Standard's recommended practice): a valid
/// lead byte and the continuation bytes that may follow it become a single
/// replacement; any other bad byte becomes one on its own. Zero bytes are
/// kept.
std::string toWellFormedUtf8(std::string_view bytes);

/// A JSON string literal, quotes included, holding `bytes` made well-formed
/// as above. Quote, backslash and control characters are escaped; a zero
/// byte becomes \u0000.
std::string jsonString(std::string_view bytes);

}  // namespace QuarnHost
