// Conversion of text in any encoding that ICU can name to UTF-8, by way of
// UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

#include "framework/String.h"
#include "text/TextBuffer.h"
#include "text/UCNVLibrary.h"

namespace Quarn {

/// Why a conversion gave nothing.
enum class ConversionFailure {
  None,
  NoInput,          // no name, no text or a length of 0
  TooLarge,         // the input or the result exceeds its limit
  NoLibrary,        // the converter library is absent
  UnknownEncoding,  // the library has no converter by that name
  NothingOut,       // the converter produced nothing
};

/// UTF-8 bytes in a block of their own, followed by a zero byte. Empty
/// (`data` null, `length` 0) when a conversion failed, and `failure` says why.
struct Utf8Block {
  std::unique_ptr<unsigned char[], FreeBlock> data;
  std::size_t length = 0;
  ConversionFailure failure = ConversionFailure::None;
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

/// What convertToUtf8Block would refuse before reading a byte of the text:
/// None when `converters` can convert from `name`.
ConversionFailure checkConverters(const KVDSOLD::UCNVLibrary& converters, const char* name);

/// True when `name` is UTF-16 with its byte order named, which
/// streamUtf16ToUtf8 converts as it is read.
bool isStreamableUtf16(const char* name);

/// Fills up to `size` bytes at `buffer`; returns the count (fewer only at the
/// end of the text) or -1 on failure.
using ReadPiece = std::function<std::int64_t(unsigned char* buffer, std::size_t size)>;

/// Converts well-formed UTF-16 to UTF-8 as `read` hands it over, so that the
/// input is never in memory whole: the same bytes convertToUtf8Block makes
/// from the same text. `expected` is the number of bytes to come, which sizes
/// the result. False when the text needs ICU after all (an unpaired
/// surrogate or an odd length) or a read failed: the caller starts over.
/// `*read` gets the bytes read. Throws std::bad_alloc when the heap refuses.
bool streamUtf16ToUtf8(const char* name, std::size_t expected, const ReadPiece& read,
                       Utf8Block& out, std::size_t& bytesRead);

/// As convertToUtf8Block, with the process-wide converter library, returning
/// the bytes in a framework string (embedded zero bytes kept).
String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length);

}  // namespace Quarn
