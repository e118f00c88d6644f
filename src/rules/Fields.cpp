#include "rules/Fields.h"

#include <bitset>

namespace Quarn {
namespace {

template <class IsDelimiter>
void split(std::string_view text, IsDelimiter isDelimiter, std::vector<std::string_view>& fields,
           std::size_t maxFields) {
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (fields.size() < maxFields) {
    while (pos < size && isDelimiter(text[pos]))
      ++pos;
    if (pos >= size)
      break;
    std::size_t stop = pos;
    while (stop < size && !isDelimiter(text[stop]))
      ++stop;
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

}  // namespace

void tokenize(std::string_view text, std::string_view delimiters,
              std::vector<std::string_view>& fields, std::size_t maxFields) {
  fields.clear();
  // Event and format lines split on one byte; a direct compare beats a table.
  if (delimiters.size() == 1) {
    const char delimiter = delimiters[0];
    split(
        text, [delimiter](char c) { return c == delimiter; }, fields, maxFields);
    return;
  }
  std::bitset<256> isDelimiter;
  for (char c : delimiters)
    isDelimiter.set(static_cast<unsigned char>(c));
  split(
      text, [&isDelimiter](char c) { return isDelimiter[static_cast<unsigned char>(c)]; }, fields,
      maxFields);
}

}  // namespace Quarn
