#include "plugin/FormatHeader.h"

#include <cstring>
#include <new>

namespace Quarn {

void freeFormatHeader(TypedMediaBuffer* header) noexcept {
  if (header == nullptr)
    return;
  delete[] header->lockData();
  header->unlockData();
  delete header;
}

FormatHeaderPtr makeFormatHeader(std::optional<std::string_view> text) {
  FormatHeaderPtr header(new TypedMediaBuffer());
  if (!text)
    return header;
  const std::size_t size = text->size() + 1;
  // A header without text is still a header: the caller decides what an
  // unobtainable copy means, so no exception for the block.
  unsigned char* block = new (std::nothrow) unsigned char[size];
  if (block == nullptr)
    return header;
  if (!text->empty())
    std::memcpy(block, text->data(), text->size());
  block[text->size()] = 0;
  header->setData(block, static_cast<std::uint32_t>(size));
  header->length() = static_cast<std::uint32_t>(size);
  std::memcpy(header->tag, "SUB ", 5);
  header->kind = 4;
  return header;
}

}  // namespace Quarn
