#include "rules/FileUrl.h"

#include <utility>

namespace Quarn {
namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view text, std::size_t at, std::size_t count,
                        const char* expected) {
  std::size_t i = 0;
  for (; i < count && expected[i] != '\0'; ++i) {
    if (lowerAscii(text[at + i]) != expected[i])
      return false;
  }
  return i == count && expected[i] == '\0';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  c = lowerAscii(c);
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

}  // namespace

FileUrlProblem decodeFileUrl(std::string_view text, std::string& path) {
  if (text.size() < 5 || !equalsIgnoringCase(text, 0, 5, "file:"))
    return FileUrlProblem::NotFile;
  std::size_t at = 5;
  // Authority: "//" then everything up to the next "/".
  if (text.substr(at, 2) == "//") {
    const std::size_t hostStart = at + 2;
    std::size_t hostEnd = text.find('/', hostStart);
    if (hostEnd == std::string_view::npos)
      hostEnd = text.size();
    const std::size_t hostLength = hostEnd - hostStart;
    if (hostLength != 0 && !equalsIgnoringCase(text, hostStart, hostLength, "localhost"))
      return FileUrlProblem::OtherHost;  // a path on another machine is not a local file
    at = hostEnd;
  }
  if (at >= text.size() || text[at] != '/')
    return FileUrlProblem::NoPath;
  // A query or fragment has no meaning for a local file.
  if (text.find_first_of("?#", at) != std::string_view::npos)
    return FileUrlProblem::QueryOrFragment;
  std::string decoded;
  decoded.reserve(text.size() - at);
  for (std::size_t i = at; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size())
        return FileUrlProblem::BadEscape;
      const int high = hexValue(text[i + 1]);
      const int low = hexValue(text[i + 2]);
      if (high < 0 || low < 0)
        return FileUrlProblem::BadEscape;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == '\0')
      return FileUrlProblem::ZeroByte;  // would cut the path short at the file system
    decoded.push_back(c);
  }
  if (decoded.size() + 1 > kMaxPathBytes)
    return FileUrlProblem::TooLong;
  path = std::move(decoded);
  return FileUrlProblem::None;
}

}  // namespace Quarn
