// Portable half of DynamicLibrary; the system calls live in the per-platform
// include below.
#include "platform/DynamicLibrary.h"

#include <utility>

#ifdef _WIN32
#include "platform/Windows/DynamicLibrary.inc"
#else
#include "platform/Unix/DynamicLibrary.inc"
#endif

namespace Quarn::Platform {

DynamicLibrary::~DynamicLibrary() {
  close();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

DynamicLibrary DynamicLibrary::load(const char* name, std::string* errMsg) {
  if (name == nullptr || *name == '\0') {
    if (errMsg != nullptr)
      *errMsg = "no library name given";
    return DynamicLibrary();
  }
  return DynamicLibrary(openLibrary(name, errMsg));
}

bool DynamicLibrary::isLoaded(const char* name) {
  return name != nullptr && *name != '\0' && isLibraryLoaded(name);
}

void* DynamicLibrary::getSymbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr)
    return nullptr;
  return findSymbol(handle_, name);
}

void DynamicLibrary::close() {
  if (handle_ != nullptr)
    closeLibrary(std::exchange(handle_, nullptr));
}

}  // namespace Quarn::Platform
