#include "NeverDue.h"

#include <optional>

#include <rules/ScriptScanner.h>
#include <rules/TimeReader.h>

#include "ResultText.h"

namespace QuarnHost {
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
  const std::string name = fileNameOf(file);
  const bool one = count == 1;
  return std::to_string(count) + (one ? " entry of " : " entries of ") + name +
         " can never be shown: " + (one ? "it starts" : "they start") + " after " +
         formatMediaTime(kLatestDueStart) +
         ", the latest start a stream can show (a negative time such as 0:00:-1.00 wraps round "
         "to a start that late)";
}

}  // namespace QuarnHost
