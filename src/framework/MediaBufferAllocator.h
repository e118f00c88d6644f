// The allocator that creates chunks over heap blocks and destroys buffers
// together with their data.
#pragma once

#include <cstdint>

#include "BufferAllocator.h"
#include "MediaBuffer.h"

namespace Quarn {

class MediaBufferAllocator : public IBufferAllocator {
 public:
  /// Returns null: this allocator makes chunks only.
  MediaBuffer* createBuffer(std::int32_t a, std::int32_t b, std::int32_t c) override;

  /// Frees the block (an array from the global heap) under the buffer's lock
  /// when one is attached, then destroys the buffer. Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

  /// A new chunk over `data`, which must come from new[] and whose release the
  /// chunk takes over. Length, timestamp and duration are 0. Throws
  /// std::bad_alloc, leaving `data` untouched, when the chunk cannot be made.
  MediaChunk* createChunk(unsigned char* data, std::uint32_t capacity);
};

}  // namespace Quarn
