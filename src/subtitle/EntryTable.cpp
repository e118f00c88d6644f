#include "subtitle/EntryTable.h"

#include <new>

namespace Quarn {

void EntryTable::append(const EntryRecord& record) {
  if (size_ == capacity_)
    grow();
  records_.get()[size_++] = record;
}

void EntryTable::grow() {
  const std::size_t next = capacity_ == 0 ? 64 : capacity_ * 2;
  void* grown = std::realloc(records_.get(), next * sizeof(EntryRecord));
  if (grown == nullptr)
    throw std::bad_alloc();
  (void)records_.release();  // realloc has freed or kept it; `grown` is its successor
  records_.reset(static_cast<EntryRecord*>(grown));
  capacity_ = next;
}

}  // namespace Quarn
