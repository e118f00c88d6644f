// The C entry points a logging library exports. The facade resolves them by
// these names; the reference library in tools/logging defines them.
#pragma once

#include <cstdarg>

extern "C" {

/// Prepares the library's destination. Its presence is required; the facade
/// never calls it.
typedef int (*QuarnLogConfigureFunction)(void);
/// Releases the destination; called once when the facade is destroyed.
typedef int (*QuarnLogCloseFunction)(void);
/// Non-zero in the low byte when lines are wanted; asked before every write.
typedef int (*QuarnLogIsEnabledFunction)(void);
/// Formats `format` with the caller's argument list, valid only during the
/// call, into one line for `category`, `function` and source `line`.
typedef int (*QuarnLogWriteFunction)(const char* category, const char* function, int line,
                                     const char* format, va_list* arguments);
}

namespace Quarn {

/// The file name the process-wide logger looks for.
constexpr const char* kLoggingLibraryName = "libQuarn_Logging.so";

}  // namespace Quarn
