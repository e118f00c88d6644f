// The field splitter and the time reader that every event line goes
// through. Byte 0: bits 0-1 how many delimiter bytes follow (none: ","),
// bits 2-5 the field limit (0: none). The rest is the text.
//
// tokenize hands out views into the line, so a wrong bound would not crash
// but point at the wrong bytes. Checked: the tokens are in order,
// non-overlapping views of the text with a delimiter between neighbours,
// hold no delimiter and no blank at either end, and none of the text's
// fields is lost (compared with a plain split). readTime never crashes and
// only reads fields that start, after blanks and a sign, with a digit; a
// value read ignores what follows it and blanks before it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "rules/Fields.h"
#include "rules/TimeReader.h"

namespace {

bool isScanfSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void checkTime(std::string_view field) {
  const std::optional<std::uint32_t> time = Quarn::readTime(field);
  if (!time)
    return;
  std::size_t at = 0;
  while (at < field.size() && isScanfSpace(field[at]))
    ++at;
  if (at < field.size() && (field[at] == '+' || field[at] == '-'))
    ++at;
  FUZZ_CHECK(at < field.size() && field[at] >= '0' && field[at] <= '9');
  // Anything after the fourth number is ignored, blanks before the first skipped.
  FUZZ_CHECK(Quarn::readTime(std::string(field) + "x") == time);
  FUZZ_CHECK(Quarn::readTime(" \t" + std::string(field)) == time);
}

// The text's fields by the plain reading: runs of non-delimiters, trimmed of blanks.
std::vector<std::string_view> plainSplit(std::string_view text, std::string_view delimiters) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(delimiters, at);
    if (start == std::string_view::npos)
      break;
    std::size_t end = text.find_first_of(delimiters, start);
    if (end == std::string_view::npos)
      end = text.size();
    std::string_view field = text.substr(start, end - start);
    while (!field.empty() && field.front() == ' ')
      field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ')
      field.remove_suffix(1);
    fields.push_back(field);
    at = end;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::size_t delimiterCount = data[0] & 3;
  const std::size_t limit = data[0] >> 2 & 15;
  if (size < 1 + delimiterCount)
    return 0;
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string_view delimiters =
      delimiterCount == 0 ? std::string_view(",") : std::string_view(bytes + 1, delimiterCount);
  const std::string_view text(bytes + 1 + delimiterCount, size - 1 - delimiterCount);
  const std::size_t maxFields = limit == 0 ? SIZE_MAX : limit;

  std::vector<std::string_view> fields{"stale"};  // replaced, not appended to
  Quarn::tokenize(text, delimiters, fields, maxFields);
  const std::vector<std::string_view> plain = plainSplit(text, delimiters);
  FUZZ_CHECK(fields.size() == std::min(plain.size(), maxFields));

  const char* previousEnd = text.data();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view field = fields[i];
    FUZZ_CHECK(field.data() >= previousEnd &&
               field.data() + field.size() <= text.data() + text.size());
    if (i > 0)  // a delimiter separates neighbours
      FUZZ_CHECK(
          std::string_view(previousEnd, field.data() - previousEnd).find_first_of(delimiters) !=
          std::string_view::npos);
    FUZZ_CHECK(field.find_first_of(delimiters) == std::string_view::npos);
    FUZZ_CHECK(field.empty() || (field.front() != ' ' && field.back() != ' '));
    FUZZ_CHECK(field.data() == plain[i].data() && field.size() == plain[i].size());
    previousEnd = field.data() + field.size();
    checkTime(field);
  }
  checkTime(text);
  return 0;
}
