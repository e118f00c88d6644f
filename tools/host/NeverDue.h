// Entries that can never be shown. The plug-in hands an entry out only once
// the host's media time is close enough to its start, and that time cannot
// grow without bound, so an entry that starts later than any clock gets is
// never handed out. The stream cannot say how many there are; a host that
// stopped at one counts them in the file, read as the plug-in reads it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Diagnosis.h"

namespace QuarnHost {

/// The latest start that still falls due: 596:31:24.147. The media time is a
/// signed 32-bit count of milliseconds, so no clock passes 2147483647, and
/// the plug-in hands an entry out once that time plus 500 ms reaches its
/// start. A negative time such as 0:00:-1.00 wraps round to a start later
/// than this.
constexpr std::uint32_t kLatestDueStart = 2147483647u + 500u;

/// Whether an entry that starts at `start` (milliseconds) can ever be handed out.
constexpr bool canFallDue(std::uint32_t start) {
  return start <= kLatestDueStart;
}

/// How many event lines of the script `text` (UTF-8, as the plug-in's parser
/// is given it) become entries that can never fall due. A start field
/// without a time counts as 0, as the parser takes it.
std::uint64_t countNeverDue(std::string_view text);

/// The warning, without a program name, when `file` read with `settings`
/// holds entries that can never fall due: "2 entries of x.ass can never be
/// shown: ...". Empty when it holds none or the plug-in would not read it.
std::string neverDueWarning(const SourceFile& file, const CodePageSettings& settings);

}  // namespace QuarnHost
