#include "subtitle/EntryStore.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "platform/Memory.h"

namespace Quarn {
namespace {

// Slabs grow with the script, so a short one wastes little and a long one
// needs few blocks: 64 slots first, doubling up to 8 MB a slab.
constexpr std::size_t kFirstSlab = 64;
constexpr std::size_t kLargestSlabBytes = std::size_t{8} << 20;

}  // namespace

EntryStore::~EntryStore() {
  assert(live_ == 0 && "an entry outlived its store");
}

MediaChunk* EntryStore::createEntry(unsigned char* bytes, std::uint32_t size) {
  if (used_ == slabSize_) {
    const std::size_t next =
        std::min(kLargestSlabBytes / sizeof(Slot), slabSize_ == 0 ? kFirstSlab : slabSize_ * 2);
    std::unique_ptr<Slot[], FreeSlab> slab(static_cast<Slot*>(std::malloc(next * sizeof(Slot))));
    if (slab == nullptr)
      throw std::bad_alloc();
    Platform::prepareLargeBlock(slab.get(), next * sizeof(Slot));
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
