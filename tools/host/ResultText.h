// How hosts show what the plug-in returns: result codes and payload text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <quarn/Result.h>

namespace QuarnHost {

/// The text of a payload: its bytes up to `length`, within the capacity, less
/// the terminating zero when there is one.
std::string_view payloadText(const unsigned char* data, std::uint32_t length,
                             std::uint32_t capacity);

/// Milliseconds as H:MM:SS.mmm (hours not limited to two digits).
std::string formatMediaTime(std::uint32_t ms);

/// The name of an open result: ResultOk, ResultFailed, ResultBadLocation or
/// "unknown".
const char* openResultName(Quarn::Result result);
/// "0x" and eight upper-case hex digits.
std::string formatResultCode(Quarn::Result result);
/// The result's name and code: "ResultFailed (0x80100001)".
std::string describeResult(Quarn::Result result);

}  // namespace QuarnHost
