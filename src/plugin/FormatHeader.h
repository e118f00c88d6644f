// The container's format header: a typed buffer over a copy of the script's
// text from its first byte to the end of the events format line.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "framework/MediaBuffer.h"

namespace Quarn {

/// Frees a format header made by makeFormatHeader: its block (an array from
/// the global heap) under the header's lock, then the header. Null is ignored.
void freeFormatHeader(TypedMediaBuffer* header) noexcept;

struct FormatHeaderRelease {
  void operator()(TypedMediaBuffer* header) const noexcept { freeFormatHeader(header); }
};

/// Owner of a format header until it is handed to the host (takeHeader),
/// which then frees it the same way.
using FormatHeaderPtr = std::unique_ptr<TypedMediaBuffer, FormatHeaderRelease>;

/// A new format header. With `text` it holds a copy of it plus a zero byte
/// (capacity and length count the zero) and is tagged "SUB ", kind 4. Without
/// `text`, or when memory for the copy cannot be obtained, it has no block
/// and an all-zero descriptor; a caller that passed a text tells the two
/// apart by the capacity, which is never 0 for a copied text. Throws
/// std::bad_alloc when the header object itself cannot be made.
FormatHeaderPtr makeFormatHeader(std::optional<std::string_view> text);

}  // namespace Quarn
