// Byte-order mark detection, then the conversion to UTF-8 through the
// machine's ICU. Byte 0: bits 0-3 pick the encoding (0: the one the mark
// names); with bit 4 set, byte 1 is k and the text is converted after
// 16384 - k letters "a", so that it crosses the boundary of the chunks the
// converter decodes in. The rest is the text.
//
// Checked: the mark lies inside the text and names something, or leaves
// the name alone; a result is zero-terminated, well-formed UTF-8; and where
// the answer is known without ICU's help it is the one given: valid UTF-8
// comes back unchanged, well-formed UTF-16 as our own encoder writes it, and
// letters before a text add just themselves. Without ICU only the mark is
// checked.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "text/ByteOrderMark.h"
#include "text/Encoding.h"
#include "text/Utf.h"

namespace {

struct Name {
  const char* name;
  const char* letter;       // "a" in the encoding, or null where a letter changes the state
  std::size_t letterBytes;  // 1, 2 or 4
};

constexpr Name kNames[] = {
    {nullptr, nullptr, 0},  {"UTF-8", "a", 1},          {"UTF16-LE", "a\0", 2},
    {"UTF-16BE", "\0a", 2}, {"UTF32-LE", "a\0\0\0", 4}, {"windows-1252", "a", 1},
    {"ISO-8859-1", "a", 1}, {"UTF-7", "a", 1},          {"SCSU", "a", 1},
    {"BOCU-1", nullptr, 0}, {"GB-18030", "a", 1},       {"Shift_JIS", "a", 1},
    {"EUC-KR", "a", 1},     {"KOI8-R", "a", 1},         {"x-quarn", nullptr, 0},
    {"ISO-2022-JP", "a", 1}};
// The names the marks give.
constexpr Name kMarkNames[] = {
    {"UTF32-BE", "\0\0\0a", 4}, {"UTF32-LE", "a\0\0\0", 4}, {"UTF16-BE", "\0a", 2},
    {"UTF16-LE", "a\0", 2},     {"UTF8", "a", 1},           {"UTF7", "a", 1},
    {"SCSU", "a", 1},           {"BOCU-1", nullptr, 0},     {"GB-18030", "a", 1}};

constexpr std::size_t kChunkUnits = 16384;

std::string convert(const char* name, const std::string& text) {
  const Quarn::Utf8Block block =
      Quarn::convertToUtf8Block(KVDSOLD::UCNVLibrary::instance(), name,
                                reinterpret_cast<const unsigned char*>(text.data()), text.size());
  FUZZ_CHECK((block.data == nullptr) == (block.length == 0));
  if (block.data == nullptr)
    return std::string();
  FUZZ_CHECK(block.data[block.length] == 0);
  FUZZ_CHECK(Quarn::isValidUtf8(block.data.get(), block.length));
  return std::string(reinterpret_cast<const char*>(block.data.get()), block.length);
}

// The units of well-formed UTF-16 LE text, or false.
bool wellFormedUtf16le(const std::string& bytes, std::u16string& units) {
  if (bytes.size() % 2 != 0)
    return false;
  for (std::size_t i = 0; i < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
    if ((units[i] >= 0xDC00 && units[i] <= 0xDFFF) ||
        (high && (++i == units.size() || units[i] < 0xDC00 || units[i] > 0xDFFF)))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool padded = size > 0 && (data[0] & 0x10) != 0;
  const std::size_t head = padded ? 2 : 1;
  if (size < head)
    return 0;
  const unsigned char* text = data + head;
  const std::size_t length = size - head;

  Quarn::String<char> mark("untouched");
  const std::uint32_t skip = Quarn::detectEncoding(text, length, mark);
  FUZZ_CHECK(skip == 0 || skip == 2 || skip == 3 || skip == 4);
  FUZZ_CHECK(skip <= length);
  FUZZ_CHECK((skip == 0) == mark.equals("untouched"));
  if (!KVDSOLD::UCNVLibrary::instance().isUsable())
    return 0;

  Name name = kNames[data[0] & 15];
  std::string body(reinterpret_cast<const char*>(text), length);
  if (name.name == nullptr) {
    name = kNames[1];
    for (const Name& marked : kMarkNames)
      if (skip != 0 && mark.equals(marked.name))
        name = marked;
    body.erase(0, skip);
  }
  std::string letters;
  std::string input;
  if (padded && name.letter != nullptr) {
    letters.assign(kChunkUnits - data[1], 'a');
    for (std::size_t i = 0; i < letters.size(); ++i)
      input.append(name.letter, name.letterBytes);
  }
  input += body;

  const std::string out = convert(name.name, input);
  if (std::strcmp(name.name, "UTF-8") == 0 &&
      Quarn::isValidUtf8(reinterpret_cast<const unsigned char*>(input.data()), input.size()))
    FUZZ_CHECK(out == input);
  std::u16string units;
  if (std::strcmp(name.name, "UTF16-LE") == 0 && wellFormedUtf16le(input, units))
    FUZZ_CHECK(out == Quarn::wideToUtf8(units));
  if (!letters.empty())
    FUZZ_CHECK(out == letters + convert(name.name, body));
  return 0;
}
