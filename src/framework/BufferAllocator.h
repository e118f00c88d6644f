// The abstract allocator of media buffers.
#pragma once

#include <cstdint>

#include "StandardAllocator.h"

namespace Quarn {

class MediaBuffer;

class IBufferAllocator {
 public:
  virtual ~IBufferAllocator() = default;

  /// Hands `pointer` (if not null) to `allocator.release`; `size` is unused.
  /// Always returns false.
  virtual bool releaseMemory(unsigned char* pointer, std::uint32_t size,
                             StandardAllocator<unsigned char>& allocator) {
    (void)size;
    if (pointer != nullptr)
      allocator.release(pointer);
    return false;
  }

  /// Stores a value whose meaning belongs to the host.
  virtual void setParameter(std::int32_t value) { parameter_ = value; }

  /// Creates a plain buffer; the arguments belong to the host.
  virtual MediaBuffer* createBuffer(std::int32_t a, std::int32_t b, std::int32_t c) = 0;

  /// Destroys `buffer` together with its data block; null is ignored.
  virtual void releaseBuffer(MediaBuffer* buffer) = 0;

  std::int32_t parameter() const { return parameter_; }

 protected:
  std::int32_t parameter_ = 0;
};

}  // namespace Quarn
