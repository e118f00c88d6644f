// Conversion of text in any encoding that ICU can name to UTF-8, by way of
// UTF-16.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

#include "framework/String.h"
#include "text/UCNVLibrary.h"

namespace Quarn {

struct FreeBlock {
  void operator()(unsigned char* block) const { std::free(block); }
};

/// UTF-8 bytes in a block of their own, followed by a zero byte. Empty
/// (`data` null, `length` 0) when a conversion failed.
struct Utf8Block {
  std::unique_ptr<unsigned char[], FreeBlock> data;
  std::size_t length = 0;
};

/// Largest input, and largest result, of one conversion: what ICU takes in
/// one span and what a 32-bit length holds with its terminator.
constexpr std::size_t kMaxConversionInput = 0x7FFFFFFE;
constexpr std::size_t kMaxConversionOutput = 0x7FFFFFFE;

/// Converts `length` bytes at `text` from the encoding `name` to UTF-8 with
/// `converters`. Empty when the name or text is absent, the length is 0 or
/// above kMaxConversionInput, the library or the name is unknown, the result
/// would exceed kMaxConversionOutput, or nothing came out. Characters ICU
/// cannot convert become its substitutes. Throws std::bad_alloc when the
/// heap refuses.
Utf8Block convertToUtf8Block(const KVDSOLD::UCNVLibrary& converters, const char* name,
                             const unsigned char* text, std::size_t length);

/// As convertToUtf8Block, with the process-wide converter library, returning
/// the bytes in a framework string (embedded zero bytes kept).
String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length);

}  // namespace Quarn
