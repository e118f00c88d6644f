#include "rules/TimeReader.h"

namespace Quarn {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// One "%d": optional blanks, an optional sign, at least one digit. The value
// wraps modulo 2^32 instead of overflowing.
bool readNumber(std::string_view text, std::size_t& pos, std::uint32_t& value) {
  while (pos < text.size() && isSpace(text[pos]))
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
    negative = text[pos++] == '-';
  if (pos >= text.size() || !isDigit(text[pos]))
    return false;
  std::uint32_t n = 0;
  while (pos < text.size() && isDigit(text[pos]))
    n = n * 10u + static_cast<std::uint32_t>(text[pos++] - '0');
  value = negative ? 0u - n : n;
  return true;
}

// Four numbers separated by ':', ':' and `lastSeparator`.
bool readFour(std::string_view text, char lastSeparator, std::uint32_t (&numbers)[4]) {
  static constexpr char kSeparators[] = {':', ':'};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      const char separator = i < 3 ? kSeparators[i - 1] : lastSeparator;
      if (pos >= text.size() || text[pos] != separator)
        return false;
      ++pos;
    }
    if (!readNumber(text, pos, numbers[i]))
      return false;
  }
  return true;
}

// The form nearly every script writes, hours then ":MM:SS.CC" and nothing
// after it, read without a step per character. Any other field goes to the
// general reader, which reads these the same way.
bool readUsual(std::string_view text, std::uint32_t& milliseconds) {
  const std::size_t size = text.size();
  if (size < 10)
    return false;
  const auto* hours = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* tail = hours + size - 9;  // ":MM:SS.CC"
  if (tail[0] != ':' || tail[3] != ':' || tail[6] != '.')
    return false;
  // A byte below '0' wraps round to a large value, so one comparison each.
  const std::uint32_t m1 = tail[1] - 48u, m2 = tail[2] - 48u;
  const std::uint32_t s1 = tail[4] - 48u, s2 = tail[5] - 48u;
  const std::uint32_t c1 = tail[7] - 48u, c2 = tail[8] - 48u;
  if ((m1 > 9) | (m2 > 9) | (s1 > 9) | (s2 > 9) | (c1 > 9) | (c2 > 9))
    return false;
  std::uint32_t h = 0;
  for (const unsigned char* at = hours; at < tail; ++at) {
    const std::uint32_t d = *at - 48u;
    if (d > 9)
      return false;
    h = h * 10u + d;
  }
  milliseconds = (((h * 60u + m1 * 10u + m2) * 60u + s1 * 10u + s2) * 100u + c1 * 10u + c2) * 10u;
  return true;
}

}  // namespace

std::optional<std::uint32_t> readTime(std::string_view field) {
  if (std::uint32_t milliseconds = 0; readUsual(field, milliseconds))
    return milliseconds;
  std::uint32_t n[4];
  if (!readFour(field, '.', n) && !readFour(field, ':', n))
    return std::nullopt;
  return (((n[0] * 60u + n[1]) * 60u + n[2]) * 100u + n[3]) * 10u;
}

}  // namespace Quarn
