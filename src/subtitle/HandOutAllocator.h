// The allocator of the chunks a stream hands to its consumer.
#pragma once

#include <cstdint>

#include "framework/MediaBufferAllocator.h"

namespace Quarn {

/// Makes the copies that readStream hands out. Those belong to the host,
/// which may give one back after the component that made it is gone (though
/// not after the module is unloaded), so there is one allocator for the
/// whole module, living as long as the module: no count of its chunks is
/// kept, and a read pays for no atomic operation of its own. Only chunks made
/// by its createTextCopy may be released to it.
///
/// A copy is one heap block, the chunk object with its bytes right behind
/// it, so a read costs one allocation and a release one free. The blocks of
/// a usual line are small enough for the C library's per-thread cache, which
/// takes no lock whether or not the host runs other threads.
class HandOutAllocator final : public MediaBufferAllocator {
 public:
  /// The module's allocator, made on the first call.
  static HandOutAllocator& instance();

  /// A new chunk holding a copy of the `size` bytes at `bytes` and a zero
  /// after them; length and capacity are both `size` + 1, timestamp and
  /// duration 0. Throws std::bad_alloc when the heap refuses.
  MediaChunk* createTextCopy(const unsigned char* bytes, std::uint32_t size);
  /// Frees a chunk made by createTextCopy. Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

 private:
  HandOutAllocator();
};

}  // namespace Quarn
