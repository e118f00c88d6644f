// File URLs to local paths on arbitrary bytes.
//
// The path decides which file the host's source names: an encoding trick
// that makes a "/" or a ".." appear that the location does not spell would
// let a path leave a folder the host checked by its prefix. So every
// accepted location must give exactly what a naive reading gives: drop one
// leading UTF-8 mark, expect "file:" in any case, an empty or "localhost"
// authority, a path from the first "/", no query or fragment, and
// percent-decode the bytes. The other way round, a well-formed UTF-8
// location whose naive path is well-formed UTF-8 without a zero byte and
// fits 4096 bytes with its terminator must be accepted. A refusal leaves the
// path untouched.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "text/ParserUtilities.h"
#include "text/Utf.h"

namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != lower[i])
      return false;
  }
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The path a local file URL names, byte for byte, or nothing.
std::optional<std::string> naivePath(std::string_view url) {
  if (url.substr(0, 3) == "\xEF\xBB\xBF")
    url.remove_prefix(3);
  if (!equalsIgnoringCase(url.substr(0, 5), "file:"))
    return std::nullopt;
  url.remove_prefix(5);
  if (url.substr(0, 2) == "//") {
    const std::size_t slash = url.find('/', 2);
    const std::string_view host = url.substr(2, slash == url.npos ? url.npos : slash - 2);
    if (!host.empty() && !equalsIgnoringCase(host, "localhost"))
      return std::nullopt;
    url.remove_prefix(slash == url.npos ? url.size() : slash);
  }
  if (url.empty() || url[0] != '/' || url.find_first_of("?#") != url.npos)
    return std::nullopt;
  std::string path;
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '%') {
      path += url[i];
      continue;
    }
    if (i + 2 >= url.size() || hexDigit(url[i + 1]) < 0 || hexDigit(url[i + 2]) < 0)
      return std::nullopt;
    path += static_cast<char>(hexDigit(url[i + 1]) * 16 + hexDigit(url[i + 2]));
    i += 2;
  }
  return path;
}

bool isUtf8(std::string_view text) {
  return Quarn::isValidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view location(reinterpret_cast<const char*>(data), size);
  Quarn::String<unsigned char> path("untouched");
  const Quarn::Result result =
      Quarn::urlToPath(Quarn::String<unsigned char>(data, static_cast<std::uint32_t>(size)), path);
  const std::optional<std::string> expected = naivePath(location);

  if (result == Quarn::ResultOk) {
    const std::string_view got(path.cText(), path.length());
    FUZZ_CHECK(expected.has_value());
    FUZZ_CHECK(got == *expected);  // no "/" or ".." that the location does not spell
    FUZZ_CHECK(got.find('\0') == got.npos && isUtf8(got) && got.size() < 4096);
    return 0;
  }
  FUZZ_CHECK(result == Quarn::ResultBadLocation);
  FUZZ_CHECK(path.equals("untouched"));
  const bool acceptable = expected && isUtf8(location) && isUtf8(*expected) &&
                          expected->find('\0') == std::string::npos && expected->size() < 4096;
  FUZZ_CHECK(!acceptable);
  return 0;
}
