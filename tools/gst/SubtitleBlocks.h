// The shape GStreamer's SSA/ASS consumers expect: the script's header as
// codec data, and each event line as a block "ReadOrder,Layer,Style,Name,
// MarginL,MarginR,MarginV,Effect,Text": the fields of the line in the order of
// the script's events Format line, without the event kind and the Start and
// End columns (the buffer's timestamps carry those), after a number unique to
// the entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace QuarnGst {

/// The columns of the events Format line.
struct EventFormat {
  /// The column names, trimmed, in the line's order.
  std::vector<std::string> columns;
  /// Where Start and End stand; a script without them keeps them in the
  /// places every script writer uses, second and third.
  std::size_t start = 1;
  std::size_t end = 2;
};

/// The format of the header's last "Format:" line, which is the events
/// section's (the header ends with it); the usual ten columns when the
/// header has none.
EventFormat eventFormatOf(std::string_view header);

/// True for a v4.00+ script (ScriptType "v4.00+" or a "[V4+ Styles]"
/// section), whose blocks are application/x-ass; otherwise application/x-ssa.
bool isAdvancedScript(std::string_view header);

/// The kind of an event line, the text before its first colon ("Dialogue").
std::string_view eventKind(std::string_view line);

/// The block for one event line. The line's own bytes are kept as they are,
/// commas in the Text column included; a line with fewer fields than the
/// format gives the fields it has.
std::string blockPayload(std::string_view line, const EventFormat& format, std::uint64_t readOrder);

}  // namespace QuarnGst
