#include "subtitle/HandOutAllocator.h"

#include <cstring>
#include <new>

namespace Quarn {

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
  shares_.fetch_add(1, std::memory_order_relaxed);
  return chunk;
}

void HandOutAllocator::releaseBuffer(MediaBuffer* buffer) {
  if (buffer == nullptr)
    return;
  // The bytes sit in the same block as the object.
  buffer->~MediaBuffer();
  ::operator delete(static_cast<void*>(buffer));
  drop();
}

void HandOutAllocator::drop() noexcept {
  // Acquire-release: every use of the allocator on other threads happens
  // before its destruction.
  if (shares_.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete this;
}

}  // namespace Quarn
