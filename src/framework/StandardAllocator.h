// Typed heap allocators. Every framework string, list and buffer remembers the
// allocator that owns its storage, so memory always goes back to the heap it
// came from, even when an object crosses from the plug-in to the host.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace Quarn {

/// A stateless allocator of arrays of T from the global heap. The virtual
/// operations let a caller supply its own allocator (tests count with one).
template <class T>
class StandardAllocator {
 public:
  constexpr StandardAllocator() = default;
  virtual ~StandardAllocator() = default;

  /// Storage for `count` elements. Throws std::bad_alloc when the heap refuses
  /// or when the byte size does not fit in std::size_t.
  virtual T* allocate(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
      throw std::bad_alloc();
    return static_cast<T*>(::operator new(count * sizeof(T)));
  }

  /// Returns storage obtained from allocate(); null is ignored.
  virtual void release(T* pointer) { ::operator delete(static_cast<void*>(pointer)); }

  /// The process-wide default allocator of T, created on first use.
  static StandardAllocator& instance();

  StandardAllocator(const StandardAllocator&) = delete;
  StandardAllocator& operator=(const StandardAllocator&) = delete;
};

template <class T>
StandardAllocator<T>& StandardAllocator<T>::instance() {
  // Never destroyed: strings that static destructors release at unload may
  // still call it, and the object holds no resource. The static-local
  // initialisation is thread-safe.
  alignas(StandardAllocator) static unsigned char storage[sizeof(StandardAllocator)];
  static StandardAllocator* const allocator = new (storage) StandardAllocator();
  return *allocator;
}

template <class T>
struct Node;
class StreamInterface;

// The four default allocators that the framework uses.
using CharAllocator = StandardAllocator<char>;
using ByteAllocator = StandardAllocator<unsigned char>;
using IdNodeAllocator = StandardAllocator<Node<unsigned long long>>;
using StreamNodeAllocator = StandardAllocator<Node<StreamInterface*>>;

}  // namespace Quarn
