// Preparing large blocks of memory before they are filled.
#pragma once

#include <cstddef>
#include <vector>

namespace Quarn::Platform {

/// Blocks at least this large are worth preparing.
constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;

/// Asks the system to back the `size` bytes at `block` with memory now, in
/// one call, rather than a page at a time as they are first written: a
/// script of hundreds of megabytes otherwise spends much of its time in page
/// faults. Only advice: nothing changes when the system cannot, and smaller
/// blocks are left alone.
void prepareLargeBlock(void* block, std::size_t size);

/// Reserves room for `count` elements in `vector` and prepares it as above.
template <class T>
void reservePrepared(std::vector<T>& vector, std::size_t count) {
  vector.reserve(count);
  prepareLargeBlock(vector.data(), vector.capacity() * sizeof(T));
}

}  // namespace Quarn::Platform
