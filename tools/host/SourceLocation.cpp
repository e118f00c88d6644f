#include "SourceLocation.h"

#include <unistd.h>

#include <vector>

namespace QuarnHost {
namespace {

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isUnreserved(char c) {
  return isAsciiLetter(c) || isAsciiDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

bool startsWithUrlScheme(std::string_view source) {
  if (source.empty() || !isAsciiLetter(source[0]))
    return false;
  std::size_t i = 1;
  while (i < source.size() && (isAsciiLetter(source[i]) || isAsciiDigit(source[i]) ||
                               source[i] == '+' || source[i] == '.' || source[i] == '-'))
    ++i;
  return i + 1 < source.size() && source[i] == ':' && source[i + 1] == '/';
}

std::string percentEncodePath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    if (isUnreserved(c) || c == '/') {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string sourceToLocation(std::string_view source, std::string_view workingFolder) {
  if (startsWithUrlScheme(source))
    return std::string(source);
  std::string absolute;
  if (!source.empty() && source[0] == '/') {
    absolute = source;
  } else {
    absolute = workingFolder;
    if (absolute.empty() || absolute.back() != '/')
      absolute += '/';
    absolute += source;
  }
  return "file://" + percentEncodePath(absolute);
}

std::string workingFolder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() >= (1u << 20))
      return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace QuarnHost
