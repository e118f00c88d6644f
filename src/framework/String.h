// The framework string: counted, always zero-terminated, and carrying the
// allocator that owns its storage. Copies are deep; nothing is shared.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "StandardAllocator.h"

namespace Quarn {

/// Text of T elements (char or unsigned char). Invariants: data() is null and
/// length() 0 (unallocated), or data() holds length() + 1 elements from
/// allocator() and the last is zero. Elements before length() may be zero:
/// copies keep them, text comparisons stop at the first one.
///
/// A String passed by value belongs to the callee; its destructor releases the
/// storage through the string's own allocator.
template <class T>
class String {
 public:
  using Allocator = StandardAllocator<T>;

  /// Empty and unallocated.
  String() : allocator_(&Allocator::instance()) {}
  explicit String(Allocator& allocator) : allocator_(&allocator) {}

  /// Copies a zero-terminated text; null gives an unallocated string.
  String(const T* text, Allocator& allocator = Allocator::instance()) : allocator_(&allocator) {
    if (text != nullptr)
      copyFrom(text, textLength(text));
  }
  template <class U = T, class = std::enable_if_t<!std::is_same<U, char>::value>>
  String(const char* text, Allocator& allocator = Allocator::instance())
      : String(reinterpret_cast<const T*>(text), allocator) {}
  template <class U = T, class = std::enable_if_t<!std::is_same<U, char>::value>>
  String(const char* data, std::uint32_t count, Allocator& allocator = Allocator::instance())
      : String(reinterpret_cast<const T*>(data), count, allocator) {}

  /// Copies `count` elements and appends a zero; null gives an unallocated string.
  String(const T* data, std::uint32_t count, Allocator& allocator = Allocator::instance())
      : allocator_(&allocator) {
    if (data != nullptr)
      copyFrom(data, count);
  }

  /// Deep copy into storage of `allocator` (the default allocator of T unless given).
  String(const String& other, Allocator& allocator) : allocator_(&allocator) {
    if (other.data_ != nullptr)
      copyFrom(other.data_, other.length_);
  }
  String(const String& other) : String(other, Allocator::instance()) {}

  /// Takes over the storage together with the allocator that owns it.
  String(String&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        length_(std::exchange(other.length_, 0)),
        allocator_(other.allocator_) {}

  /// Copy and move assignment keep the receiver's allocator, as assign() does.
  String& operator=(const String& other) {
    if (this != &other)
      assign(other);
    return *this;
  }
  String& operator=(String&& other) {
    if (this != &other)
      assign(std::move(other));
    return *this;
  }

  ~String() { clear(); }

  /// Releases the receiver's storage, then copies the source's text into new
  /// storage from the receiver's own allocator (or takes the source's storage
  /// over when both share one allocator). The source (owned by this
  /// call) is released through its own allocator when the call returns. An
  /// unallocated source leaves the receiver unallocated; if the allocation
  /// fails the receiver stays unallocated and std::bad_alloc propagates.
  void assign(String source) {
    clear();
    if (source.allocator_ == allocator_) {
      // Same owner: taking the storage over is the copy without its cost.
      data_ = std::exchange(source.data_, nullptr);
      length_ = std::exchange(source.length_, 0);
      return;
    }
    if (source.data_ != nullptr)
      copyFrom(source.data_, source.length_);
  }

  /// Gives the storage back to the allocator; the string becomes unallocated.
  void clear() noexcept {
    if (data_ != nullptr)
      allocator_->release(data_);
    data_ = nullptr;
    length_ = 0;
  }

  const T* data() const { return data_; }
  std::uint32_t length() const { return length_; }
  Allocator& allocator() const { return *allocator_; }

  /// True when the string has no storage or no elements.
  bool isEmpty() const { return data_ == nullptr || length_ == 0; }

  /// The text up to the first zero element; empty when unallocated.
  std::string toStdString() const { return std::string(cText()); }

  /// Byte-for-byte equality of the text with `text` (null counts as "").
  bool equals(const char* text) const {
    return std::strcmp(cText(), text != nullptr ? text : "") == 0;
  }
  /// As above with the other string's text; the argument is released on return.
  bool equals(String other) const { return equals(other.cText()); }

  /// True when the argument's text orders before the receiver's (bytes as
  /// unsigned values, a proper prefix first); the argument is released on return.
  bool sortsAfter(String other) const { return compareText(other, *this) < 0; }

  /// strcmp of the two texts (each up to its first zero; unallocated is "").
  static int compareText(const String& left, const String& right) {
    return std::strcmp(left.cText(), right.cText());
  }

  /// The text as a C string: "" when unallocated.
  const char* cText() const { return data_ != nullptr ? reinterpret_cast<const char*>(data_) : ""; }

  /// Position of the last occurrence of `text` in the text, or -1; an empty
  /// search text gives the text's length.
  std::int64_t findLast(const char* text) const {
    const std::string mine = toStdString();
    const std::size_t at = mine.rfind(text != nullptr ? text : "");
    return at == std::string::npos ? -1 : static_cast<std::int64_t>(at);
  }

 private:
  static std::size_t textLength(const T* text) {
    std::size_t n = 0;
    while (text[n] != T())
      ++n;
    return n;
  }

  void copyFrom(const T* source, std::size_t count) {
    if (count >= std::numeric_limits<std::uint32_t>::max())
      throw std::bad_alloc();
    T* block = allocator_->allocate(count + 1);
    if (count != 0)
      std::memcpy(block, source, count * sizeof(T));
    block[count] = T();
    data_ = block;
    length_ = static_cast<std::uint32_t>(count);
  }

  T* data_ = nullptr;
  std::uint32_t length_ = 0;
  Allocator* allocator_;
};

/// Orders String-keyed containers from the greatest key to the least: the
/// comparison of (left, right) answers left.sortsAfter(right).
template <class T>
struct SortsAfter {
  bool operator()(const String<T>& left, const String<T>& right) const {
    return String<T>::compareText(right, left) < 0;
  }
};

}  // namespace Quarn
