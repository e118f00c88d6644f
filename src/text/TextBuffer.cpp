#include "text/TextBuffer.h"

#include <cstring>
#include <new>

namespace Quarn {

TextBuffer copyText(std::string_view bytes) {
  TextBuffer copy;
  copy.block.reset(static_cast<unsigned char*>(std::malloc(bytes.size() + 1)));
  if (copy.block == nullptr)
    throw std::bad_alloc();
  if (!bytes.empty())
    std::memcpy(copy.block.get(), bytes.data(), bytes.size());
  copy.block[bytes.size()] = 0;
  copy.text = copy.block.get();
  copy.size = bytes.size();
  return copy;
}

}  // namespace Quarn
