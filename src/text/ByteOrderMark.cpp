#include "text/ByteOrderMark.h"

#include "rules/ByteOrderMarks.h"

namespace Quarn {

std::uint32_t detectEncoding(const unsigned char* text, std::size_t length, String<char>& name) {
  const ByteOrderMark* mark = findByteOrderMark(text, length);
  if (mark == nullptr)
    return 0;
  name.assign(String<char>(mark->converter));
  return mark->skip;
}

}  // namespace Quarn
