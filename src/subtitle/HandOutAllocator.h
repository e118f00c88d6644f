// The allocator of the chunks a stream hands to its consumer.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/MediaBufferAllocator.h"

namespace Quarn {

/// Makes the copies that readStream hands out. A host may give one back
/// after the component that made it is gone (though not after the module is
/// unloaded), so there is one allocator for the whole module, living as long
/// as the module. Only chunks made by its createTextCopy may be released to
/// it.
///
/// A copy is one heap block, the chunk with its bytes behind it. Hosts give
/// a chunk back before reading the next, so the allocator keeps the last one
/// given back for the next copy: building and tearing down a chunk's lock and
/// block cost a read more than all else it does. Every line of up to
/// kKeptRoom bytes gets a block of that room, so a kept chunk fits any of
/// them; a longer line's block is never kept.
class HandOutAllocator final : public MediaBufferAllocator {
 public:
  /// The room, terminating zero included, of the blocks that are kept.
  static constexpr std::uint32_t kKeptRoom = 512;

  /// The module's allocator, made on the first call.
  static HandOutAllocator& instance();

  /// A chunk holding a copy of the `size` bytes at `bytes` and a zero after
  /// them; length and capacity are both `size` + 1, timestamp, duration and
  /// the reserved fields 0. Throws std::bad_alloc when the heap refuses.
  MediaChunk* createTextCopy(const unsigned char* bytes, std::uint32_t size);
  /// Takes back a chunk made by createTextCopy once no other thread holds its
  /// lock, to keep or to free. Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

 private:
  HandOutAllocator();
  ~HandOutAllocator();

  /// The kept chunk or null, exchanged whole: a chunk is here or with one
  /// caller, whatever threads read and release at once.
  std::atomic<MediaChunk*> kept_{nullptr};
};

}  // namespace Quarn
