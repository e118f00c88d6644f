// The owning, growable block used for whole-file reads.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

namespace kvtl {

/// Owns `size()` elements at `data()` (null when empty). resize() never
/// throws: when the heap refuses, the buffer is left empty and the caller
/// reports the failure.
template <class T>
class MemoryBuffer {
 public:
  MemoryBuffer() = default;
  virtual ~MemoryBuffer() { resize(0, false); }

  MemoryBuffer(const MemoryBuffer&) = delete;
  MemoryBuffer& operator=(const MemoryBuffer&) = delete;

  /// A new size drops the old contents and allocates `newSize` elements
  /// (none when newSize <= 0); the same size keeps the contents. With
  /// `zeroFill` every element of the result is set to zero.
  void resize(std::int32_t newSize, bool zeroFill) {
    if (newSize != size_) {
      delete[] data_;
      data_ = nullptr;
      size_ = 0;
      if (newSize > 0) {
        data_ = new (std::nothrow) T[static_cast<std::size_t>(newSize)];
        if (data_ != nullptr)
          size_ = newSize;
      }
    }
    if (zeroFill && data_ != nullptr)
      std::memset(data_, 0, sizeof(T) * size_);
  }

  T* data() const { return data_; }
  std::int32_t size() const { return size_; }

 private:
  T* data_ = nullptr;
  std::int32_t size_ = 0;
};

}  // namespace kvtl
