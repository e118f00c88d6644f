// Where a stream's entries live.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

#include "framework/ChunkPtr.h"
#include "framework/MediaBufferAllocator.h"
#include "text/TextBuffer.h"

namespace Quarn {

/// The script's text and the chunk objects of its entries. An entry's bytes
/// are its line inside the text, so the text is kept instead of a copy of
/// every line, and the chunk objects sit side by side in slabs instead of one
/// heap block each. The host never sees an entry (readStream hands out
/// copies), so nothing outside the component relies on how they are stored.
///
/// The store is also the allocator its entries return to: releasing one
/// destroys the chunk object in place, and the memory goes with the store.
/// Every entry must be released before the store is destroyed.
class EntryStore final : public MediaBufferAllocator {
 public:
  explicit EntryStore(TextBuffer text) : text_(std::move(text)) {}
  ~EntryStore() override;
  EntryStore(const EntryStore&) = delete;
  EntryStore& operator=(const EntryStore&) = delete;

  /// The text, which the entries' owner may change (to end a line in place).
  unsigned char* text() const { return text_.text; }
  std::size_t size() const { return text_.size; }

  /// A new entry over `size` bytes at `bytes`, inside the text, of which the
  /// last must be the zero that ends the line. Length and capacity are both
  /// `size`; timestamp and duration 0. Throws std::bad_alloc when no slab
  /// can be had.
  MediaChunk* createEntry(unsigned char* bytes, std::uint32_t size);

  /// Destroys an entry made by createEntry; its memory stays with the store.
  /// Null is ignored.
  void releaseBuffer(MediaBuffer* buffer) override;

 private:
  using Slot = std::aligned_storage_t<sizeof(MediaChunk), alignof(MediaChunk)>;
  struct FreeSlab {
    void operator()(Slot* slab) const { std::free(slab); }
  };

  TextBuffer text_;
  std::vector<std::unique_ptr<Slot[], FreeSlab>> slabs_;
  std::size_t slabSize_ = 0;  // slots in the newest slab
  std::size_t used_ = 0;      // of them, taken
  std::size_t live_ = 0;      // entries made and not yet released
};

/// Entries with the store that holds those it made (null when all were made
/// elsewhere). Members go in reverse order, so the entries always go before
/// their store, however the table is dropped.
struct EntryTable {
  std::unique_ptr<EntryStore> store;
  std::vector<ChunkPtr> chunks;
};

}  // namespace Quarn
