// The allocator of the chunks a stream hands to its consumer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/MediaBufferAllocator.h"

namespace Quarn {

/// Makes the copies that readStream hands out. Those belong to the host,
/// which may give one back after the component that made it is gone, so the
/// allocator lives until both its owner has retired it and the last of its
/// chunks has come back. Only chunks made by its createCopy may be released
/// to it. The module itself must stay loaded until then.
///
/// A copy is one heap block: the chunk object with its bytes right behind
/// it, so a read costs one allocation and a release one free.
class HandOutAllocator final : public MediaBufferAllocator {
 public:
  /// Drops the owner's share; the allocator goes once its chunks are back.
  struct Retire {
    void operator()(HandOutAllocator* allocator) const noexcept { allocator->drop(); }
  };
  using Owner = std::unique_ptr<HandOutAllocator, Retire>;

  /// A new allocator held by its owner alone.
  static Owner create() { return Owner(new HandOutAllocator()); }

  /// A new chunk holding a copy of the `size` bytes at `bytes` and a zero
  /// after them; length and capacity are both `size` + 1, timestamp and
  /// duration 0. The chunk keeps the allocator alive. Throws std::bad_alloc
  /// when the heap refuses.
  MediaChunk* createTextCopy(const unsigned char* bytes, std::uint32_t size);
  /// Frees a chunk made by createCopy, then lets the allocator go if it was
  /// the last thing holding it. Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

 private:
  HandOutAllocator() = default;
  ~HandOutAllocator() override = default;
  void drop() noexcept;

  // The owner's share plus one per chunk not yet given back.
  std::atomic<std::size_t> shares_{1};
};

}  // namespace Quarn
