// Reading the start and end fields of an event line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Quarn {

/// The time in milliseconds of a field "H:MM:SS.ff" or "H:MM:SS:ff", or no
/// value when neither form yields four numbers. Read like scanf's "%d":
/// blanks before each number are skipped, a sign is allowed, anything after
/// the fourth number is ignored.
///
/// The fraction always counts hundredths, whatever its digit count, so
/// "0:00:01.5" is 1050 ms and "0:00:01.500" is 6000 ms: scripts in the wild
/// were timed against readers that behave this way. Minutes and seconds are
/// not limited to 59. All arithmetic, including numbers too large for 32
/// bits, wraps as unsigned 32-bit values.
std::optional<std::uint32_t> readTime(std::string_view field);

}  // namespace Quarn
