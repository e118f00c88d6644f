// A text in a heap block of its own, handed from the reader to whoever keeps
// it without a copy.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace Quarn {

/// Frees a block from malloc or realloc.
struct FreeBlock {
  void operator()(unsigned char* block) const { std::free(block); }
};

/// `size` bytes at `text`, which lies inside `block` and is followed by a
/// zero byte. The bytes are the owner's to change. Empty: `text` null.
struct TextBuffer {
  std::unique_ptr<unsigned char[], FreeBlock> block;
  unsigned char* text = nullptr;
  std::size_t size = 0;

  std::string_view view() const {
    return std::string_view(reinterpret_cast<const char*>(text), size);
  }
};

/// A TextBuffer holding a copy of `bytes`. Throws std::bad_alloc when the
/// heap refuses.
TextBuffer copyText(std::string_view bytes);

}  // namespace Quarn
