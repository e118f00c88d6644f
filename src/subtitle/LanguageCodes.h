// The process-wide table pairing two-letter language codes with their
// three-letter bibliographic forms, in both directions.
#pragma once

#include <cstddef>

namespace Quarn {

/// The other form of `code` ("fr" -> "fre", "fre" -> "fr"), or "" when the
/// code is unknown. Exact and case-sensitive. The result lives as long as
/// the process.
const char* languagePartner(const char* code);

/// Number of keys in the table.
std::size_t languageTableSize();

}  // namespace Quarn
