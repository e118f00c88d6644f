// The loaded logging library and its four entry points.
#pragma once

#include "log/LoggingLibrary.h"
#include "platform/DynamicLibrary.h"

namespace Quarn {

class LoggerImpl {
 public:
  LoggerImpl() = default;
  /// Clears the entry points and releases the library.
  virtual ~LoggerImpl();

  LoggerImpl(const LoggerImpl&) = delete;
  LoggerImpl& operator=(const LoggerImpl&) = delete;

  /// Loads `libraryName` and resolves the entries in the order configure,
  /// close, isEnabled, write. At the first that is missing the library is
  /// released and false returned.
  bool load(const char* libraryName);

  Platform::DynamicLibrary module;
  QuarnLogConfigureFunction configure = nullptr;
  QuarnLogCloseFunction close = nullptr;
  QuarnLogIsEnabledFunction isEnabled = nullptr;
  QuarnLogWriteFunction write = nullptr;

 private:
  void clear();
};

}  // namespace Quarn
