#include "subtitle/EntryStore.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "platform/LargeMemory.h"

namespace Quarn {
namespace {

// Slabs grow with the script, so a short one wastes little and a long one
// needs few blocks: 64 slots first, doubling up to 8 MB a slab. Large slabs
// start on a 2 MB boundary, so that large pages can back all of them.
constexpr std::size_t kFirstSlab = 64;
constexpr std::size_t kLargestSlabBytes = std::size_t{8} << 20;
constexpr std::size_t kLargeAlignment = std::size_t{2} << 20;

// Storage for `slots` chunk objects; null when the heap refuses.
void* allocateSlab(std::size_t bytes) {
  if (bytes < Platform::kLargeBlockBytes)
    return std::malloc(bytes);
  const std::size_t rounded = (bytes + kLargeAlignment - 1) / kLargeAlignment * kLargeAlignment;
  void* slab = std::aligned_alloc(kLargeAlignment, rounded);
  Platform::adviseLargeBlock(slab, rounded);
  return slab;
}

}  // namespace

EntryStore::~EntryStore() {
  assert(live_ == 0 && "an entry outlived its store");
}

MediaChunk* EntryStore::createEntry(unsigned char* bytes, std::uint32_t size) {
  if (used_ == slabSize_) {
    const std::size_t next =
        std::min(kLargestSlabBytes / sizeof(Slot), slabSize_ == 0 ? kFirstSlab : slabSize_ * 2);
    std::unique_ptr<Slot[], FreeSlab> slab(static_cast<Slot*>(allocateSlab(next * sizeof(Slot))));
    if (slab == nullptr)
      throw std::bad_alloc();
    slabs_.push_back(std::move(slab));
    slabSize_ = next;
    used_ = 0;
  }
  auto* entry = new (&slabs_.back()[used_]) MediaChunk(*this);
  ++used_;
  ++live_;
  entry->setData(bytes, size);
  entry->length() = size;
  return entry;
}

void EntryStore::releaseBuffer(MediaBuffer* buffer) {
  if (buffer == nullptr)
    return;
  // The bytes belong to the text; only the object goes.
  buffer->~MediaBuffer();
  --live_;
}

}  // namespace Quarn
