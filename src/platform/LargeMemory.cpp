// Portable half of adviseLargeBlock; the system call lives in the
// per-platform include below.
#include "platform/LargeMemory.h"

#ifdef _WIN32
#include "platform/Windows/LargeMemory.inc"
#else
#include "platform/Unix/LargeMemory.inc"
#endif

namespace Quarn::Platform {

void adviseLargeBlock(void* block, std::size_t size) {
  if (block != nullptr && size >= kLargeBlockBytes)
    adviseLargePages(block, size);
}

}  // namespace Quarn::Platform
