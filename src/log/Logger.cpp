#include "log/Logger.h"

#include <cstdarg>

#include "log/LoggerImpl.h"

namespace Quarn {

LoggerImpl::~LoggerImpl() {
  clear();
}

void LoggerImpl::clear() {
  configure = nullptr;
  close = nullptr;
  isEnabled = nullptr;
  write = nullptr;
  module.close();
}

bool LoggerImpl::load(const char* libraryName) {
  module = Platform::DynamicLibrary::load(libraryName);
  if (!module.isValid())
    return false;
  configure = reinterpret_cast<QuarnLogConfigureFunction>(module.getSymbol("QuarnLog_configure"));
  if (configure != nullptr)
    close = reinterpret_cast<QuarnLogCloseFunction>(module.getSymbol("QuarnLog_close"));
  if (close != nullptr)
    isEnabled = reinterpret_cast<QuarnLogIsEnabledFunction>(module.getSymbol("QuarnLog_isEnabled"));
  if (isEnabled != nullptr)
    write = reinterpret_cast<QuarnLogWriteFunction>(module.getSymbol("QuarnLog_write"));
  if (write == nullptr) {
    clear();
    return false;
  }
  return true;
}

Logger::Logger(const char* libraryName) {
  auto impl = std::make_unique<LoggerImpl>();
  if (impl->load(libraryName))
    impl_ = std::move(impl);
}

Logger::~Logger() {
  if (impl_ != nullptr)
    impl_->close();
}

Logger& Logger::instance() {
  // The static-local initialisation is thread-safe: one logger, the library
  // searched for at most once.
  static Logger logger(kLoggingLibraryName);
  return logger;
}

bool Logger::isEnabled() const {
  // Only the low byte carries the answer.
  return impl_ != nullptr && (impl_->isEnabled() & 0xFF) != 0;
}

void Logger::write(const char* category, const char* function, int line, const char* format, ...) {
  if (impl_ == nullptr || (impl_->isEnabled() & 0xFF) == 0)
    return;
  va_list arguments;
  va_start(arguments, format);
  impl_->write(category, function, line, format, &arguments);
  va_end(arguments);
}

}  // namespace Quarn
