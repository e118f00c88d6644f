#include "subtitle/HandOutAllocator.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace Quarn {
namespace {

// A block is this header, the chunk object, then the chunk's bytes. The
// room is kept where the host cannot reach it: a host may attach other
// bytes to a chunk (setData), which changes what capacity() says.
struct alignas(std::max_align_t) BlockHeader {
  std::uint32_t room;
};

// A chunk that counts the levels of its lock taken through it. Each count
// changes while the lock is held, so whoever holds the lock reads it right:
// a chunk given back while its own thread still holds the lock is not kept,
// which would leave it locked for the next reader.
class HandOutChunk final : public MediaChunk {
 public:
  using MediaChunk::MediaChunk;

  unsigned char* lockData() override {
    unsigned char* data = MediaChunk::lockData();
    ++levels_;
    return data;
  }
  void unlockData() override {
    --levels_;
    MediaChunk::unlockData();
  }
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

 private:
  std::int32_t levels_ = 0;
};

BlockHeader* headerOf(MediaChunk* chunk) {
  return reinterpret_cast<BlockHeader*>(reinterpret_cast<unsigned char*>(chunk) -
                                        sizeof(BlockHeader));
}

unsigned char* bytesOf(MediaChunk* chunk) {
  return reinterpret_cast<unsigned char*>(chunk) + sizeof(HandOutChunk);
}

void destroy(MediaChunk* chunk) {
  BlockHeader* header = headerOf(chunk);
  chunk->~MediaChunk();
  ::operator delete(static_cast<void*>(header));
}

}  // namespace

HandOutAllocator::HandOutAllocator() {
  setParameter(8);
}

HandOutAllocator::~HandOutAllocator() {
  if (MediaChunk* chunk = kept_.exchange(nullptr))
    destroy(chunk);
}

HandOutAllocator& HandOutAllocator::instance() {
  // Destroyed when the module is unloaded, after which no chunk may return.
  static HandOutAllocator allocator;
  return allocator;
}

MediaChunk* HandOutAllocator::createTextCopy(const unsigned char* bytes, std::uint32_t size) {
  const std::uint32_t capacity = size + 1;
  MediaChunk* chunk = nullptr;
  if (capacity <= kKeptRoom)
    chunk = kept_.exchange(nullptr, std::memory_order_acquire);
  if (chunk != nullptr) {
    // What the host may have changed goes back to how a new chunk has it.
    chunk->timestamp = 0;
    chunk->duration = 0;
    chunk->reserved1 = 0;
    chunk->reserved2 = 0;
  } else {
    const std::uint32_t room = capacity <= kKeptRoom ? kKeptRoom : capacity;
    void* memory = ::operator new(sizeof(BlockHeader) + sizeof(HandOutChunk) + room);
    BlockHeader* header = new (memory) BlockHeader{room};
    try {
      chunk = new (header + 1) HandOutChunk(*this);
    } catch (...) {
      ::operator delete(memory);
      throw;
    }
  }
  unsigned char* data = bytesOf(chunk);
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
  MediaChunk* freed = chunk;
  if (headerOf(chunk)->room == kKeptRoom && chunk->isUnlocked()) {
    freed = kept_.exchange(chunk, std::memory_order_acq_rel);
    if (freed == nullptr)
      return;
  }
  destroy(freed);
}

}  // namespace Quarn
