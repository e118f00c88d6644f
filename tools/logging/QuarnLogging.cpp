// The reference logging library. Logging is on when the environment variable
// QUARN_LOG is set and not empty: "stderr" writes to standard error,
// anything else names a file that lines are appended to. A line reads
// "category function:line message" and always ends in a newline.
//
// The variable is read once, when the library is loaded, and again only when
// QuarnLog_configure is called: the enabled check runs before every log
// statement of a host's hot paths and must cost no more than a load.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "log/LoggingLibrary.h"

#define QUARN_LOG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex destinationLock;
std::string requested;             // QUARN_LOG as last read; empty: logging off
std::string destinationName;       // the name `destination` was opened for
std::FILE* destination = nullptr;  // null while closed
std::atomic<int> enabled{0};

// Called with destinationLock held.
void closeDestination() {
  if (destination != nullptr && destination != stderr)
    std::fclose(destination);
  destination = nullptr;
  destinationName.clear();
}

// Called with destinationLock held: reads QUARN_LOG and decides.
void readSetting() {
  const char* name = std::getenv("QUARN_LOG");
  requested = name != nullptr ? name : "";
  enabled.store(requested.empty() ? 0 : 1, std::memory_order_relaxed);
}

// Called with destinationLock held. Opens the requested destination, or
// keeps the one already open for it.
std::FILE* openDestination() {
  if (requested.empty())
    return nullptr;
  if (destination != nullptr && destinationName == requested)
    return destination;
  closeDestination();
  destination = requested == "stderr" ? stderr : std::fopen(requested.c_str(), "a");
  if (destination != nullptr)
    destinationName = requested;
  return destination;
}

// Decides once at load, before any statement can ask.
[[maybe_unused]] const bool decidedAtLoad = [] {
  std::lock_guard<std::mutex> guard(destinationLock);
  readSetting();
  return true;
}();

}  // namespace

/// Reads QUARN_LOG again and opens what it names; 1 when logging is on.
QUARN_LOG_EXPORT int QuarnLog_configure(void) {
  std::lock_guard<std::mutex> guard(destinationLock);
  readSetting();
  if (requested.empty()) {
    closeDestination();
    return 0;
  }
  return openDestination() != nullptr ? 1 : 0;
}

QUARN_LOG_EXPORT int QuarnLog_close(void) {
  std::lock_guard<std::mutex> guard(destinationLock);
  closeDestination();
  return 1;
}

QUARN_LOG_EXPORT int QuarnLog_isEnabled(void) {
  return enabled.load(std::memory_order_relaxed);
}

QUARN_LOG_EXPORT int QuarnLog_write(const char* category, const char* function, int line,
                                    const char* format, va_list* arguments) {
  if (format == nullptr || arguments == nullptr)
    return 0;
  // Format into a stack buffer; a longer message is formatted again into one
  // of the right size, from a copy of the list taken before the first pass.
  char small[512];
  va_list again;
  va_copy(again, *arguments);
  const int needed = std::vsnprintf(small, sizeof small, format, *arguments);
  std::unique_ptr<char[]> large;
  const char* message = small;
  if (needed < 0) {
    message = "";
  } else if (static_cast<std::size_t>(needed) >= sizeof small) {
    large.reset(new char[static_cast<std::size_t>(needed) + 1]);
    std::vsnprintf(large.get(), static_cast<std::size_t>(needed) + 1, format, again);
    message = large.get();
  }
  va_end(again);
  const std::size_t length = std::strlen(message);
  const bool hasNewline = length > 0 && message[length - 1] == '\n';

  std::lock_guard<std::mutex> guard(destinationLock);
  std::FILE* out = openDestination();
  if (out == nullptr)
    return 0;
  std::fprintf(out, "%s %s:%d %s%s", category != nullptr ? category : "",
               function != nullptr ? function : "", line, message, hasNewline ? "" : "\n");
  std::fflush(out);
  return 1;
}
