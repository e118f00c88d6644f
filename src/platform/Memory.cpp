// Portable half of prepareLargeBlock; the system call lives in the
// per-platform include below.
#include "platform/Memory.h"

#ifdef _WIN32
#include "platform/Windows/Memory.inc"
#else
#include "platform/Unix/Memory.inc"
#endif

namespace Quarn::Platform {

void prepareLargeBlock(void* block, std::size_t size) {
  if (block != nullptr && size >= kLargeBlockBytes)
    populatePages(block, size);
}

}  // namespace Quarn::Platform
