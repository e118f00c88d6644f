#include "subtitle/HandOutAllocator.h"

namespace Quarn {

MediaChunk* HandOutAllocator::createChunk(unsigned char* data, std::uint32_t capacity) {
  MediaChunk* chunk = MediaBufferAllocator::createChunk(data, capacity);
  shares_.fetch_add(1, std::memory_order_relaxed);
  return chunk;
}

void HandOutAllocator::releaseBuffer(MediaBuffer* buffer) {
  if (buffer == nullptr)
    return;
  MediaBufferAllocator::releaseBuffer(buffer);
  drop();
}

void HandOutAllocator::drop() noexcept {
  // Acquire-release: every use of the allocator on other threads happens
  // before its destruction.
  if (shares_.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete this;
}

}  // namespace Quarn
