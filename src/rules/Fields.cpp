#include "rules/Fields.h"

#include <bitset>
#include <cstdint>
#include <cstring>

namespace Quarn {
namespace {

// `findEnd(text, at)` is the first delimiter at or after `at`, or the length.
template <class IsDelimiter, class FindEnd>
void split(std::string_view text, IsDelimiter isDelimiter, FindEnd findEnd,
           std::vector<std::string_view>& fields, std::size_t maxFields) {
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (fields.size() < maxFields) {
    while (pos < size && isDelimiter(text[pos]))
      ++pos;
    if (pos >= size)
      break;
    const std::size_t stop = findEnd(text, pos);
    std::size_t first = pos;
    std::size_t last = stop;
    while (first < last && text[first] == ' ')
      ++first;
    while (last > first && text[last - 1] == ' ')
      --last;
    fields.push_back(text.substr(first, last - first));
    pos = stop;
  }
}

// The first `delimiter` at or after `at`, or the text's length; eight bytes
// a step while eight remain, since a line's fields are scanned to their ends.
std::size_t findDelimiter(std::string_view text, std::size_t at, char delimiter) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  const std::uint64_t pattern = kOnes * static_cast<unsigned char>(delimiter);
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    const std::uint64_t x = word ^ pattern;
    // The lowest set bit marks the first matching byte exactly.
    if (const std::uint64_t found = (x - kOnes) & ~x & kHighs; found != 0)
      return at + static_cast<std::size_t>(__builtin_ctzll(found)) / 8;
  }
  while (at < text.size() && text[at] != delimiter)
    ++at;
  return at;
}

}  // namespace

void tokenize(std::string_view text, std::string_view delimiters,
              std::vector<std::string_view>& fields, std::size_t maxFields) {
  fields.clear();
  // Event and format lines split on one byte; a direct compare beats a table.
  if (delimiters.size() == 1) {
    const char delimiter = delimiters[0];
    split(
        text, [delimiter](char c) { return c == delimiter; },
        [delimiter](std::string_view t, std::size_t at) { return findDelimiter(t, at, delimiter); },
        fields, maxFields);
    return;
  }
  std::bitset<256> isDelimiter;
  for (char c : delimiters)
    isDelimiter.set(static_cast<unsigned char>(c));
  const auto inSet = [&isDelimiter](char c) { return isDelimiter[static_cast<unsigned char>(c)]; };
  split(
      text, inSet,
      [&inSet](std::string_view t, std::size_t at) {
        while (at < t.size() && !inSet(t[at]))
          ++at;
        return at;
      },
      fields, maxFields);
}

}  // namespace Quarn
