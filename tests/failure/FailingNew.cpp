#include "failure/FailingNew.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace Quarn::Testing::FailingNew {
namespace {

std::atomic<std::int64_t> countdown{0};
std::atomic<bool> reached{false};
std::atomic<std::int64_t> liveCount{0};
thread_local int exemptDepth = 0;

// True when this allocation is the armed one; it then disarms.
bool failsNow() {
  if (exemptDepth != 0 || countdown.load(std::memory_order_relaxed) <= 0)
    return false;
  if (countdown.fetch_sub(1) != 1)
    return false;
  reached = true;
  return true;
}

// Null when the injected failure hits or the heap refuses; never null for a
// successful request of 0 bytes, as operator new requires.
void* allocate(std::size_t size, std::size_t alignment) {
  if (failsNow())
    return nullptr;
  if (size == 0)
    size = 1;
  void* block = nullptr;
  if (alignment <= alignof(std::max_align_t)) {
    block = std::malloc(size);
  } else {
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    block = rounded < size ? nullptr : std::aligned_alloc(alignment, rounded);
  }
  if (block != nullptr)
    ++liveCount;
  return block;
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
  void* block = allocate(size, alignment);
  if (block == nullptr)
    throw std::bad_alloc();
  return block;
}

void release(void* block) noexcept {
  if (block == nullptr)
    return;
  --liveCount;
  std::free(block);
}

}  // namespace

void arm(std::int64_t k) {
  reached = false;
  countdown = k;
}

bool disarm() {
  countdown = 0;
  return reached.exchange(false);
}

std::int64_t live() {
  return liveCount.load();
}

Exempt::Exempt() {
  ++exemptDepth;
}

Exempt::~Exempt() {
  --exemptDepth;
}

}  // namespace Quarn::Testing::FailingNew

// Every replaceable form goes through the same pair, so the count stays
// right whichever form the code uses, and memory from one form may be freed
// by another without a mismatch report from AddressSanitizer.
namespace {
using Quarn::Testing::FailingNew::allocate;
using Quarn::Testing::FailingNew::allocateOrThrow;
using Quarn::Testing::FailingNew::release;
constexpr std::size_t kPlain = alignof(std::max_align_t);
std::size_t value(std::align_val_t alignment) {
  return static_cast<std::size_t>(alignment);
}
}  // namespace

void* operator new(std::size_t size) {
  return allocateOrThrow(size, kPlain);
}
void* operator new[](std::size_t size) {
  return allocateOrThrow(size, kPlain);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, value(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, value(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, value(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, value(alignment));
}

void operator delete(void* block) noexcept {
  release(block);
}
void operator delete[](void* block) noexcept {
  release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  release(block);
}
void operator delete(void* block, std::size_t) noexcept {
  release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  release(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
