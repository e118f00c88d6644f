// The standalone script parser on arbitrary bytes. The first byte says
// whether the caller still holds a header; the rest is the script.
//
// Entries are places in the text, so a slip in the line cutting would not
// crash but hand the host text that is not in the file. Checked: every entry
// is a whole line of the input, in file order, an event line of at least 28
// bytes, inside the text, which is the input unchanged; a header with text
// holds a prefix of the input; a held header leaves no columns and so no
// entries.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "ssa/ScriptParser.h"

namespace {

bool isBreak(char c) {
  return c == '\r' || c == '\n';
}

// The non-empty lines of `text`: the runs between line-break bytes.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = at;
    while (end < text.size() && !isBreak(text[end]))
      ++end;
    if (end > at)
      lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

bool isEventKind(std::string_view line) {
  for (std::string_view kind :
       {"Dialogue:", "Comment:", "Picture:", "Sound:", "Movie:", "Command:"})
    if (line.substr(0, kind.size()) == kind)
      return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const bool headerHeld = (data[0] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  // The parser works on a copy of its own, which the entries lie in.
  const Quarn::ParsedScript parsed = Quarn::parseScript(text, headerHeld);
  FUZZ_CHECK(parsed.complete);  // nothing here is large enough to exhaust memory

  const std::vector<std::string_view> lines = linesOf(text);
  std::size_t nextLine = 0;
  const Quarn::EntryTable& entries = parsed.entries;
  FUZZ_CHECK(entries.textSize() == text.size());
  FUZZ_CHECK(entries.textSize() == 0 || std::memcmp(entries.text(), text.data(), text.size()) == 0);
  for (const Quarn::EntryRecord& entry : entries) {
    FUZZ_CHECK(entry.length >= 28);
    FUZZ_CHECK(std::size_t{entry.offset} + entry.length <= text.size());
    const std::string_view copy(reinterpret_cast<const char*>(entries.bytesOf(entry)),
                                entry.length);
    FUZZ_CHECK(isEventKind(copy));
    // Lines may repeat: the earliest unused equal line keeps the order check exact.
    while (nextLine < lines.size() && lines[nextLine] != copy)
      ++nextLine;
    FUZZ_CHECK(nextLine < lines.size());  // a whole line, after the previous entry's
    ++nextLine;
  }

  if (headerHeld) {
    FUZZ_CHECK(parsed.header == nullptr);
    FUZZ_CHECK(parsed.entries.empty());
  }
  // Columns come only with a header made here.
  if (parsed.header == nullptr)
    FUZZ_CHECK(parsed.entries.empty());
  if (parsed.header != nullptr && parsed.header->capacity() != 0) {
    const Quarn::TypedMediaBuffer& header = *parsed.header;
    FUZZ_CHECK(header.length() == header.capacity());
    FUZZ_CHECK(header.data()[header.length() - 1] == 0);
    FUZZ_CHECK(header.length() - 1 <= text.size());
    FUZZ_CHECK(std::memcmp(header.data(), text.data(), header.length() - 1) == 0);
    FUZZ_CHECK(std::memcmp(header.tag, "SUB \0", 5) == 0 && header.kind == 4);
  }
  return 0;
}
