// The script parser behind SSAContainer::open: it cuts a script into the
// format header and one timed entry per event line. Styles, override codes
// and the dialogue text are not interpreted; every byte reaches the header
// or an entry unchanged.
#pragma once

#include <string_view>

#include "plugin/FormatHeader.h"
#include "subtitle/EntryTable.h"

namespace Quarn {

/// What one parse yields. Everything in it is owned by it until taken.
struct ParsedScript {
  /// Made on the first line of the events section, whatever that line
  /// holds: with text when it is the events format line (or, without one,
  /// the first event line), bare otherwise. Null when the events section
  /// never began or the caller already held a header.
  FormatHeaderPtr header;
  /// One entry per readable event line, in file order, over the script's
  /// text.
  EntryTable entries;
  /// False when memory for a copy of the header text could not be
  /// obtained; parsing stopped at that line.
  bool complete = true;
};

/// Parses the script (UTF-8) in `text`, which the entries then keep
/// unchanged: each entry's bytes are its line in it. With `headerHeld` the
/// caller still holds the header of an earlier parse: no header is made, so
/// no column is known and no event line becomes an entry. Logs each step
/// (category "Container") when logging is on as the parse starts. When the
/// entry table cannot grow, std::bad_alloc propagates and everything made
/// so far is freed.
ParsedScript parseScript(TextBuffer text, bool headerHeld);

/// As above over a copy of `text`.
ParsedScript parseScript(std::string_view text, bool headerHeld);

}  // namespace Quarn
