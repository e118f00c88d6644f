// Where a stream's entries live: the script's text and one small record per
// entry over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "text/TextBuffer.h"

namespace Quarn {

/// One entry: its times and where its line lies in the kept text.
struct EntryRecord {
  std::uint32_t start;     // milliseconds
  std::uint32_t duration;  // milliseconds; an end before the start has wrapped
  std::uint32_t offset;    // of the line's first byte in the text
  std::uint32_t length;    // of the line, without the zero a copy ends with
};
static_assert(sizeof(EntryRecord) == 16, "a million entries should take 16 MB");

/// A stream's entries. The host never sees an entry, only the fresh chunk
/// readStream makes of one, so entries are kept as records over the text
/// rather than as chunk objects: a chunk is 15 times the size of a record,
/// and a script of a million lines would spend more on them than on its text.
/// Nothing a host can observe depends on this.
///
/// The text is read or converted into a block of the process's own, never a
/// mapping of the file, so that a file truncated or rewritten under an open
/// stream cannot fault a read; it is not changed once the table is made.
class EntryTable {
 public:
  EntryTable() = default;
  explicit EntryTable(TextBuffer text) : text_(std::move(text)) {}

  /// The kept text, followed by a zero byte.
  const unsigned char* text() const { return text_.text; }
  std::size_t textSize() const { return text_.size; }

  /// Appends a record; the table grows geometrically. Throws std::bad_alloc
  /// when the heap refuses, leaving the table as it was.
  void append(const EntryRecord& record);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  EntryRecord* begin() { return records_.get(); }
  EntryRecord* end() { return records_.get() + size_; }
  const EntryRecord* begin() const { return records_.get(); }
  const EntryRecord* end() const { return records_.get() + size_; }
  const EntryRecord& operator[](std::size_t i) const { return records_.get()[i]; }
  const EntryRecord& front() const { return records_.get()[0]; }
  const EntryRecord& back() const { return records_.get()[size_ - 1]; }
  /// The first byte of a record's line.
  const unsigned char* bytesOf(const EntryRecord& record) const {
    return text_.text + record.offset;
  }

 private:
  struct FreeRecords {
    void operator()(EntryRecord* records) const { std::free(records); }
  };

  void grow();

  TextBuffer text_;
  // realloc'd rather than a vector: a large block then grows in place by
  // remapping, without a second copy alive beside the first.
  std::unique_ptr<EntryRecord, FreeRecords> records_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace Quarn
