// A loaded shared library and its symbols. A library that cannot be found is
// a normal state (isValid() is false), not an error: the ICU converters and
// the logging library are both optional at run time.
#pragma once

#include <string>

namespace Quarn::Platform {

class DynamicLibrary {
 public:
  /// An invalid (unloaded) library.
  DynamicLibrary() = default;
  /// Releases the library if one is held.
  ~DynamicLibrary();

  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

  /// Loads `name` through the system's normal search (a name with a slash is
  /// taken as a path). Symbols are bound at once and kept local to the
  /// library. *errMsg is only modified if the library fails to load.
  static DynamicLibrary load(const char* name, std::string* errMsg = nullptr);

  /// True when `name` is already loaded in this process; loads nothing.
  static bool isLoaded(const char* name);

  bool isValid() const { return handle_ != nullptr; }

  /// The address of the exported symbol `name`, or null when it is absent or
  /// no library is held.
  void* getSymbol(const char* name) const;

  /// Releases the library; the object becomes invalid. Symbols obtained from
  /// it must not be used afterwards.
  void close();

  /// Lets go of the library without releasing it: it stays loaded for the
  /// rest of the process. The object becomes invalid.
  void keepLoaded() { handle_ = nullptr; }

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}

  void* handle_ = nullptr;
};

}  // namespace Quarn::Platform
