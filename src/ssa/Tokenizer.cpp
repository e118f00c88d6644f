#include "ssa/Tokenizer.h"

namespace Quarn {

void tokenize(std::string_view text, std::string_view delimiters,
              std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t pos = text.find_first_not_of(delimiters);
  while (pos != std::string_view::npos) {
    const std::size_t stop = text.find_first_of(delimiters, pos);
    std::string_view token =
        text.substr(pos, stop == std::string_view::npos ? text.npos : stop - pos);
    const std::size_t first = token.find_first_not_of(' ');
    token = first == std::string_view::npos
                ? token.substr(token.size())
                : token.substr(first, token.find_last_not_of(' ') - first + 1);
    fields.push_back(token);
    if (stop == std::string_view::npos)
      break;
    pos = text.find_first_not_of(delimiters, stop);
  }
}

}  // namespace Quarn
