#include "NeverDue.h"

#include <cstdio>
#include <optional>

#include <rules/ScriptScanner.h>
#include <rules/TimeReader.h>

namespace QuarnHost {
namespace {

/// "H:MM:SS.mmm", as the player shows times.
std::string clockTime(std::uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u:%02u.%03u", ms / 3600000u, ms / 60000u % 60u,
                ms / 1000u % 60u, ms % 1000u);
  return text;
}

}  // namespace

std::uint64_t countNeverDue(std::string_view text) {
  std::uint64_t count = 0;
  Quarn::ScriptScanner scanner(text, false);
  Quarn::ScriptLine line;
  while (scanner.next(line)) {
    if (line.kind != Quarn::LineKind::Entry)
      continue;
    const std::optional<std::uint32_t> start =
        Quarn::readTime(scanner.fields()[static_cast<std::size_t>(scanner.startColumn())]);
    count += !canFallDue(start.value_or(0));
  }
  return count;
}

std::string neverDueWarning(const SourceFile& file, const CodePageSettings& settings) {
  const std::optional<std::string> text = parserText(file, settings);
  const std::uint64_t count = text ? countNeverDue(*text) : 0;
  if (count == 0)
    return {};
  const std::size_t slash = file.path.rfind('/');
  const std::string name = slash == std::string::npos ? file.path : file.path.substr(slash + 1);
  const bool one = count == 1;
  return std::to_string(count) + (one ? " entry of " : " entries of ") + name +
         " can never be shown: " + (one ? "it starts" : "they start") + " after " +
         clockTime(kLatestDueStart) +
         ", the latest start a stream can show (a negative time such as 0:00:-1.00 wraps round "
         "to a start that late)";
}

}  // namespace QuarnHost
