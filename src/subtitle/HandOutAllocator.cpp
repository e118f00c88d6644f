#include "subtitle/HandOutAllocator.h"

#include <cstring>
#include <new>

namespace Quarn {
namespace {

// A chunk with its bytes behind it in one block, which knows its room where
// the host cannot change it (setData changes what capacity() says) and
// counts the levels of its lock taken through it. A count changes only while
// the lock is held, so whoever holds the lock reads it right: a chunk given
// back while its own thread still holds the lock is not kept, which would
// leave it locked for the next reader.
class HandOutChunk final : public MediaChunk {
 public:
  HandOutChunk(MediaBufferAllocator& allocator, std::uint32_t room)
      : MediaChunk(allocator), room(room) {}

  unsigned char* lockData() override {
    lock();
    return data();
  }
  void unlockData() override { unlock(); }
  void lock() override {
    MediaChunk::lock();
    ++levels_;
  }
  void unlock() override {
    --levels_;
    MediaChunk::unlock();
  }

  /// True when no thread holds the lock: waits for one that does, unless it
  /// is the calling thread.
  bool isUnlocked() {
    MediaChunk::lock();
    const bool free = levels_ == 0;
    MediaChunk::unlock();
    return free;
  }

  unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }

  const std::uint32_t room;

 private:
  std::int32_t levels_ = 0;
};

void destroy(HandOutChunk* chunk) {
  chunk->~HandOutChunk();
  ::operator delete(static_cast<void*>(chunk));
}

}  // namespace

HandOutAllocator::HandOutAllocator() {
  setParameter(8);
}

HandOutAllocator::~HandOutAllocator() {
  if (MediaChunk* chunk = kept_.exchange(nullptr))
    destroy(static_cast<HandOutChunk*>(chunk));
}

HandOutAllocator& HandOutAllocator::instance() {
  // Destroyed when the module is unloaded, after which no chunk may return.
  static HandOutAllocator allocator;
  return allocator;
}

MediaChunk* HandOutAllocator::createTextCopy(const unsigned char* bytes, std::uint32_t size) {
  const std::uint32_t capacity = size + 1;
  HandOutChunk* chunk = nullptr;
  if (capacity <= kKeptRoom)
    chunk = static_cast<HandOutChunk*>(kept_.exchange(nullptr, std::memory_order_acquire));
  if (chunk != nullptr) {
    // What the host may have changed goes back to how a new chunk has it.
    chunk->timestamp = 0;
    chunk->duration = 0;
    chunk->reserved1 = 0;
    chunk->reserved2 = 0;
  } else {
    const std::uint32_t room = capacity <= kKeptRoom ? kKeptRoom : capacity;
    void* memory = ::operator new(sizeof(HandOutChunk) + room);
    try {
      chunk = new (memory) HandOutChunk(*this, room);
    } catch (...) {
      ::operator delete(memory);
      throw;
    }
  }
  unsigned char* data = chunk->bytes();
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
  auto* chunk = static_cast<HandOutChunk*>(buffer);
  if (chunk->room == kKeptRoom && chunk->isUnlocked()) {
    chunk = static_cast<HandOutChunk*>(kept_.exchange(chunk, std::memory_order_acq_rel));
    if (chunk == nullptr)
      return;
  }
  destroy(chunk);
}

}  // namespace Quarn
