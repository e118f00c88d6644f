// A StandardAllocator that counts its traffic and remembers the blocks it
// handed out, so tests prove that every block goes back where it came from.
#pragma once

#include <cstddef>
#include <mutex>
#include <set>

#include "framework/StandardAllocator.h"

namespace Quarn::Testing {

template <class T>
class CountingAllocator : public StandardAllocator<T> {
 public:
  T* allocate(std::size_t count) override {
    T* block = StandardAllocator<T>::allocate(count);
    std::lock_guard<std::mutex> guard(mutex_);
    ++allocations_;
    live_.insert(block);
    return block;
  }

  /// Counts null releases too; a block this allocator did not hand out is
  /// counted as foreign and not freed.
  void release(T* pointer) override {
    std::lock_guard<std::mutex> guard(mutex_);
    ++releases_;
    if (pointer == nullptr)
      return;
    if (live_.erase(pointer) == 0) {
      ++foreign_;
      return;
    }
    StandardAllocator<T>::release(pointer);
  }

  int allocations() const { return allocations_; }
  int releases() const { return releases_; }
  int foreign() const { return foreign_; }
  std::size_t live() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return live_.size();
  }
  bool owns(const T* block) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return live_.count(const_cast<T*>(block)) != 0;
  }

 private:
  mutable std::mutex mutex_;
  std::set<T*> live_;
  int allocations_ = 0;
  int releases_ = 0;
  int foreign_ = 0;
};

}  // namespace Quarn::Testing
