// The allocator of the chunks a stream hands to its consumer.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/MediaBufferAllocator.h"

namespace Quarn {

/// Makes the copies that readStream hands out. Those belong to the host,
/// which may give one back after the component that made it is gone (though
/// not after the module is unloaded), so there is one allocator for the
/// whole module, living as long as the module: no count of its chunks is
/// kept. Only chunks made by its createTextCopy may be released to it.
///
/// A copy is one heap block, the chunk object with its bytes right behind
/// it. A host reads a chunk and gives it back before the next, so the
/// allocator keeps the last chunk given back and hands it out again with the
/// next line: building and tearing down a chunk's lock and its block would
/// otherwise cost a read more than everything else it does. Every line of up
/// to kKeptRoom bytes gets a block of that room, so any kept chunk fits it;
/// a longer line gets a block of its own size, which is never kept.
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
  /// lock: keeps it for the next copy, or frees it. Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

 private:
  HandOutAllocator();
  ~HandOutAllocator();

  /// The chunk kept for the next copy, or null. Exchanged whole, so a chunk
  /// is either here or with exactly one caller, whatever threads read and
  /// release at once.
  std::atomic<MediaChunk*> kept_{nullptr};
};

}  // namespace Quarn
