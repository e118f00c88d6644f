// Result codes of the plug-in boundary. Bit 31 set marks a failure; callers
// that care about success compare with ResultOk.
#pragma once

#include <cstdint>

namespace Quarn {

using Result = std::int32_t;

constexpr Result ResultOk = 0;           // success
constexpr Result ResultNoInterface = 3;  // queryInterface: identifier not answered
constexpr Result ResultFailed = static_cast<Result>(0x80100001u);       // failed or unsupported
constexpr Result ResultBadLocation = static_cast<Result>(0x80800001u);  // location is no local path
constexpr Result ResultUnavailable = -1;  // nothing available yet (no consumer, nothing due)

/// True for every code with bit 31 set.
constexpr bool isFailure(Result r) {
  return r < 0;
}

/// The name of a known code ("ResultOk", ...) or "unknown".
constexpr const char* resultName(Result r) {
  switch (r) {
    case ResultOk:
      return "ResultOk";
    case ResultNoInterface:
      return "ResultNoInterface";
    case ResultFailed:
      return "ResultFailed";
    case ResultBadLocation:
      return "ResultBadLocation";
    case ResultUnavailable:
      return "ResultUnavailable";
    default:
      return "unknown";
  }
}

}  // namespace Quarn
