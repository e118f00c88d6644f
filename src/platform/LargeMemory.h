// Advice to the system about large blocks of memory.
#pragma once

#include <cstddef>

namespace Quarn::Platform {

/// Blocks at least this large are worth the advice below.
constexpr std::size_t kLargeBlockBytes = std::size_t{4} << 20;

/// Asks the system to back the `size` bytes at `block` with large pages
/// where it can: a script of hundreds of megabytes otherwise spends much of
/// its time faulting in small pages one by one. Only advice: nothing changes
/// when the system declines, and smaller blocks are left alone.
void adviseLargeBlock(void* block, std::size_t size);

}  // namespace Quarn::Platform
