// Replaces the global allocation functions with ones that count every heap
// allocation of the process. Include from exactly one file per benchmark.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace QuarnBench {
inline std::atomic<long> allocations{0};
}  // namespace QuarnBench

// GCC takes the replacement operators for a new/free mismatch; they are the
// matching pair here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++QuarnBench::allocations;
  if (void* p = std::malloc(size != 0 ? size : 1))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++QuarnBench::allocations;
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
