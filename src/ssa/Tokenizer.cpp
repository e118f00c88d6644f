#include "ssa/Tokenizer.h"

#include <bitset>

namespace Quarn {

void tokenize(std::string_view text, std::string_view delimiters,
              std::vector<std::string_view>& fields, std::size_t maxFields) {
  fields.clear();
  std::bitset<256> isDelimiter;
  for (char c : delimiters)
    isDelimiter.set(static_cast<unsigned char>(c));
  auto delimiterAt = [&](std::size_t i) {
    return isDelimiter[static_cast<unsigned char>(text[i])];
  };

  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (fields.size() < maxFields) {
    while (pos < size && delimiterAt(pos))
      ++pos;
    if (pos >= size)
      break;
    std::size_t stop = pos;
    while (stop < size && !delimiterAt(stop))
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

}  // namespace Quarn
