// The reference logging library. Logging is on while the environment
// variable QUARN_LOG is set and not empty: "stderr" writes to standard
// error, anything else names a file that lines are appended to. A line reads
// "category function:line message" and always ends in a newline.
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
std::string destinationName;       // the QUARN_LOG value `destination` was opened for
std::FILE* destination = nullptr;  // null while closed

const char* requestedDestination() {
  const char* name = std::getenv("QUARN_LOG");
  return (name != nullptr && *name != '\0') ? name : nullptr;
}

// Called with destinationLock held.
void closeDestination() {
  if (destination != nullptr && destination != stderr)
    std::fclose(destination);
  destination = nullptr;
  destinationName.clear();
}

// Called with destinationLock held. Follows QUARN_LOG when it changes.
std::FILE* openDestination() {
  const char* name = requestedDestination();
  if (name == nullptr)
    return nullptr;
  if (destination != nullptr && destinationName == name)
    return destination;
  closeDestination();
  destination = std::strcmp(name, "stderr") == 0 ? stderr : std::fopen(name, "a");
  if (destination != nullptr)
    destinationName = name;
  return destination;
}

}  // namespace

QUARN_LOG_EXPORT int QuarnLog_configure(void) {
  std::lock_guard<std::mutex> guard(destinationLock);
  return openDestination() != nullptr ? 1 : 0;
}

QUARN_LOG_EXPORT int QuarnLog_close(void) {
  std::lock_guard<std::mutex> guard(destinationLock);
  closeDestination();
  return 1;
}

QUARN_LOG_EXPORT int QuarnLog_isEnabled(void) {
  return requestedDestination() != nullptr ? 1 : 0;
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
