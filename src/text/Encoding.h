// Conversion of text in any encoding that ICU can name to UTF-8, by way of
// UTF-16.
#pragma once

#include <cstddef>
#include <memory>

#include "framework/String.h"
#include "text/UCNVLibrary.h"

namespace Quarn {

/// UTF-8 bytes in a block of their own, followed by a zero byte. Empty
/// (`data` null, `length` 0) when a conversion failed.
struct Utf8Block {
  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
};

/// Largest input convertToUtf8 accepts: its UTF-16 buffer of 4 units per
/// byte, plus a terminator, must fit what ICU converts in one call.
constexpr std::size_t kMaxConversionInput = (0x3FFFFFFF - 1) / 4;

/// Converts `length` bytes at `text` from the encoding `name` to UTF-8 with
/// `converters`. Empty when the name or text is absent, the length is 0 or
/// above kMaxConversionInput, the library or the name is unknown, or nothing
/// came out. Characters ICU cannot convert become its substitutes.
Utf8Block convertToUtf8Block(const KVDSOLD::UCNVLibrary& converters, const char* name,
                             const unsigned char* text, std::size_t length);

/// As convertToUtf8Block, with the process-wide converter library, returning
/// the bytes in a framework string (embedded zero bytes kept).
String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length);

}  // namespace Quarn
