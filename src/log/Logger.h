// The process-wide logging facade. Lines go to a logging library loaded on
// first use; without one logging is off and a statement costs one pointer
// test. The facade never formats: the library does, and only when enabled.
#pragma once

#include <memory>

namespace Quarn {

class LoggerImpl;

class Logger {
 public:
  /// Loads `libraryName` and requires all four entry points; with any of
  /// them missing the library is released again and logging stays off for
  /// the life of this object.
  explicit Logger(const char* libraryName);
  /// Closes the library's destination and releases the library.
  virtual ~Logger();

  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  /// The process-wide logger over kLoggingLibraryName, created on the first
  /// call (safely from any thread; the library is searched for only then).
  static Logger& instance();

  /// Hands category, function, line, format and a pointer to the argument
  /// list to the library when it reports itself enabled. No lock is held.
  void write(const char* category, const char* function, int line, const char* format, ...)
      __attribute__((format(printf, 5, 6)));

  /// True when a line written now would reach the library; lets a caller
  /// skip building arguments that only the log needs.
  bool isEnabled() const;

  /// True when a complete logging library is loaded.
  bool hasLibrary() const { return impl_ != nullptr; }

 private:
  std::unique_ptr<LoggerImpl> impl_;
};

}  // namespace Quarn

/// Logs one line through the process-wide logger with the statement's source
/// line: QUARN_LOG("Utilities", "Quarn::ParserUtilities::readTextFile", "...", args).
#define QUARN_LOG(category, function, ...) \
  ::Quarn::Logger::instance().write(category, function, __LINE__, __VA_ARGS__)
