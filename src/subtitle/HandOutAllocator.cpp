#include "subtitle/HandOutAllocator.h"

#include <cstring>
#include <new>

namespace Quarn {

HandOutAllocator::HandOutAllocator() {
  setParameter(8);
}

HandOutAllocator& HandOutAllocator::instance() {
  // Destroyed when the module is unloaded, after which no chunk may return.
  static HandOutAllocator allocator;
  return allocator;
}

MediaChunk* HandOutAllocator::createTextCopy(const unsigned char* bytes, std::uint32_t size) {
  const std::uint32_t capacity = size + 1;
  void* memory = ::operator new(sizeof(MediaChunk) + capacity);
  MediaChunk* chunk;
  try {
    chunk = new (memory) MediaChunk(*this);
  } catch (...) {
    ::operator delete(memory);
    throw;
  }
  unsigned char* data = static_cast<unsigned char*>(memory) + sizeof(MediaChunk);
  if (size != 0)
    std::memcpy(data, bytes, size);
  data[size] = 0;
  chunk->setData(data, capacity);
  chunk->length() = capacity;
  return chunk;
}

void HandOutAllocator::releaseBuffer(MediaBuffer* buffer) {
  if (buffer == nullptr)
    return;
  // The bytes sit in the same block as the object.
  buffer->~MediaBuffer();
  ::operator delete(static_cast<void*>(buffer));
}

}  // namespace Quarn
