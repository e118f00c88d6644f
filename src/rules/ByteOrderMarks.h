// The byte-order marks the reader recognises at the start of a file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Quarn {

struct ByteOrderMark {
  unsigned char bytes[4];
  std::uint32_t length;   // bytes that must match
  std::uint32_t skip;     // bytes that belong to the mark
  const char* converter;  // the converter name of the text it opens
  const char* shown;      // as people write it: "UTF-16 LE"
  /// The mark's last bits belong to the first character (UTF-7): the text is
  /// decoded from its first byte and the decoded mark dropped instead.
  bool decodedWithText;
};

/// The mark that starts the `length` bytes at `text`, or null. No byte at or
/// past `length` is read.
const ByteOrderMark* findByteOrderMark(const unsigned char* text, std::size_t length);

}  // namespace Quarn
