// Recognition of the byte-order mark that opens a text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/String.h"

namespace Quarn {

/// Looks for a byte-order mark at the start of the `length` bytes at `text`.
/// When one is found its converter name ("UTF16-LE", "UTF8", ...) is written
/// to `name` and the number of mark bytes to skip (2, 3 or 4) returned; else
/// `name` is untouched and 0 returned. No byte at or past `length` is read.
std::uint32_t detectEncoding(const unsigned char* text, std::size_t length, String<char>& name);

}  // namespace Quarn
