// Portable half of NativeFile; the system calls live in the per-platform
// include below.
#include "platform/NativeFile.h"

#ifdef _WIN32
#include "platform/Windows/NativeFile.inc"
#else
#include "platform/Unix/NativeFile.inc"
#endif

namespace Quarn::Platform {

NativeFile::~NativeFile() {
  close();
}

bool NativeFile::open(const char* path, int mode) {
  if (isOpen() || path == nullptr || *path == '\0' || mode < 0 || mode >= kModeCount)
    return false;
  descriptor_ = openRegularFile(path, mode);
  return isOpen();
}

std::int64_t NativeFile::seek(std::int64_t offset, SeekFrom from) {
  return isOpen() ? seekFile(descriptor_, offset, from) : -1;
}

std::int64_t NativeFile::read(void* buffer, std::int64_t count) {
  if (!isOpen() || count < 0 || (buffer == nullptr && count > 0))
    return -1;
  return readFile(descriptor_, buffer, count);
}

void NativeFile::close() {
  if (isOpen()) {
    closeFile(descriptor_);
    descriptor_ = -1;
  }
}

}  // namespace Quarn::Platform
