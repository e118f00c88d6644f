#include "text/Encoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace Quarn {
namespace {

using KVDSOLD::UChar;
using KVDSOLD::UConverter;
using KVDSOLD::UErrorCode;

constexpr UErrorCode kBufferOverflow = 15;  // ICU's U_BUFFER_OVERFLOW_ERROR
constexpr std::size_t kChunkUnits = 16384;

// A converter that is closed however the conversion ends.
class OpenConverter {
 public:
  OpenConverter(const KVDSOLD::UCNVLibrary& converters, const char* name)
      : converters_(converters) {
    UErrorCode error = 0;
    converter_ = converters_.open(name, &error);
    if (converter_ != nullptr && error > 0) {
      converters_.close(converter_);
      converter_ = nullptr;
    }
  }
  ~OpenConverter() {
    if (converter_ != nullptr)
      converters_.close(converter_);
  }
  OpenConverter(const OpenConverter&) = delete;
  OpenConverter& operator=(const OpenConverter&) = delete;

  UConverter* get() const { return converter_; }

 private:
  const KVDSOLD::UCNVLibrary& converters_;
  UConverter* converter_ = nullptr;
};

// The growing UTF-8 result. Capacity counts the bytes before the terminator,
// for which one more byte is always allocated. Large blocks grow by
// remapping, not copying, and their untouched pages cost nothing.
class Utf8Output {
 public:
  explicit Utf8Output(std::size_t capacity) { resize(capacity); }

  unsigned char* begin() const { return block_.get(); }
  char* end() const { return reinterpret_cast<char*>(block_.get()) + length_; }
  const char* limit() const { return reinterpret_cast<const char*>(block_.get()) + capacity_; }
  void setEnd(const char* end) {
    length_ = static_cast<std::size_t>(end - reinterpret_cast<const char*>(block_.get()));
  }
  std::size_t length() const { return length_; }

  /// False when the result may not grow any further.
  bool grow() {
    if (capacity_ >= kMaxConversionOutput)
      return false;
    resize(std::min(kMaxConversionOutput, capacity_ + capacity_ / 2 + 4096));
    return true;
  }

  Utf8Block finish() {
    block_[length_] = 0;
    Utf8Block result;
    result.data = std::move(block_);
    result.length = length_;
    return result;
  }

 private:
  void resize(std::size_t capacity) {
    void* grown = std::realloc(block_.get(), capacity + 1);
    if (grown == nullptr)
      throw std::bad_alloc();
    block_.release();
    block_.reset(static_cast<unsigned char*>(grown));
    capacity_ = capacity;
  }

  std::unique_ptr<unsigned char[], FreeBlock> block_;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
};

// Whether `name` is one of the usual spellings of UTF-16 with a byte order
// given: 1 little-endian, 2 big-endian, 0 anything else. Case, "-", "_" and
// blanks do not count, as they do not for ICU.
int utf16Order(const char* name) {
  std::string letters;
  for (const char* c = name; *c != '\0' && letters.size() < 8; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c)))
      letters += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  }
  return letters == "utf16le" ? 1 : letters == "utf16be" ? 2 : 0;
}

// Well-formed UTF-16 to UTF-8 without ICU, for the most common conversion of
// large scripts. Such a text has exactly one UTF-8 form, so the result is the
// bytes ICU makes, only sooner. An odd length or an unpaired surrogate
// returns false: those go to ICU, whose substitutions decide. `out` has room
// for 3 bytes per unit.
bool utf16ToUtf8(const unsigned char* text, std::size_t length, bool bigEndian, unsigned char* out,
                 std::size_t& written) {
  if (length % 2 != 0)
    return false;
  const std::size_t units = length / 2;
  const int high = bigEndian ? 0 : 1;
  auto unitAt = [&](std::size_t i) {
    return static_cast<std::uint32_t>(text[2 * i + high]) << 8 | text[2 * i + 1 - high];
  };
  // Four ASCII units at a time: every high byte zero, every low byte < 0x80.
  const std::uint64_t notAscii = bigEndian ? 0x80FF80FF80FF80FFu : 0xFF80FF80FF80FF80u;
  unsigned char* const start = out;
  std::size_t i = 0;
  while (i < units) {
    if (i + 4 <= units) {
      std::uint64_t word;
      std::memcpy(&word, text + 2 * i, 8);
      if ((word & notAscii) == 0) {
        for (int k = 0; k < 4; ++k)
          *out++ = text[2 * (i + k) + 1 - high];
        i += 4;
        continue;
      }
    }
    const std::uint32_t unit = unitAt(i++);
    if (unit < 0x80) {
      *out++ = static_cast<unsigned char>(unit);
    } else if (unit < 0x800) {
      *out++ = static_cast<unsigned char>(0xC0 | unit >> 6);
      *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    } else if (unit < 0xD800 || unit > 0xDFFF) {
      *out++ = static_cast<unsigned char>(0xE0 | unit >> 12);
      *out++ = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    } else {
      if (unit > 0xDBFF || i >= units)
        return false;
      const std::uint32_t low = unitAt(i);
      if (low < 0xDC00 || low > 0xDFFF)
        return false;
      ++i;
      const std::uint32_t code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      *out++ = static_cast<unsigned char>(0xF0 | code >> 18);
      *out++ = static_cast<unsigned char>(0x80 | (code >> 12 & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    }
  }
  written = static_cast<std::size_t>(out - start);
  return true;
}

Utf8Block failed(ConversionFailure why) {
  Utf8Block block;
  block.failure = why;
  return block;
}

}  // namespace

// The text goes through UTF-16 a chunk at a time, so the intermediate stays
// small and in cache whatever the input's size; only the result grows.
Utf8Block convertToUtf8Block(const KVDSOLD::UCNVLibrary& converters, const char* name,
                             const unsigned char* text, std::size_t length) {
  if (name == nullptr || text == nullptr || length == 0)
    return failed(ConversionFailure::NoInput);
  if (length > kMaxConversionInput)
    return failed(ConversionFailure::TooLarge);
  if (!converters.isUsable())
    return failed(ConversionFailure::NoLibrary);
  OpenConverter decoder(converters, name);
  if (decoder.get() == nullptr)
    return failed(ConversionFailure::UnknownEncoding);
  OpenConverter encoder(converters, "utf8");
  if (encoder.get() == nullptr)
    return failed(ConversionFailure::NoLibrary);  // an ICU without UTF-8 is no ICU

  // Most texts need at most 1.5 bytes of UTF-8 per input byte; more grows.
  Utf8Output output(std::min(kMaxConversionOutput, length + length / 2 + 64));
  // UTF-16 needs at most that, so the shortcut never has to grow.
  if (const int order = utf16Order(name);
      order != 0 && length + length / 2 <= kMaxConversionOutput) {
    std::size_t written = 0;
    if (utf16ToUtf8(text, length, order == 2, output.begin(), written)) {
      if (written == 0)
        return failed(ConversionFailure::NothingOut);
      output.setEnd(reinterpret_cast<const char*>(output.begin()) + written);
      return output.finish();
    }
  }
  std::unique_ptr<UChar[]> wide(new UChar[kChunkUnits]);
  const char* source = reinterpret_cast<const char*>(text);
  const char* const sourceEnd = source + length;
  bool moreInput = true;
  while (moreInput) {
    UChar* wideEnd = wide.get();
    UErrorCode decodeError = 0;
    converters.toUnicode(decoder.get(), &wideEnd, wide.get() + kChunkUnits, &source, sourceEnd,
                         nullptr, 1, &decodeError);
    // A full chunk means more to come. Anything else ICU reports does not
    // fail the conversion: the units it wrote stand.
    moreInput = decodeError == kBufferOverflow && wideEnd != wide.get();

    const UChar* pending = wide.get();
    for (;;) {
      char* target = output.end();
      UErrorCode encodeError = 0;
      converters.fromUnicode(encoder.get(), &target, output.limit(), &pending, wideEnd, nullptr,
                             moreInput ? 0 : 1, &encodeError);
      output.setEnd(target);
      if (encodeError != kBufferOverflow)
        break;
      if (!output.grow())
        return failed(ConversionFailure::TooLarge);
    }
  }
  if (output.length() == 0)
    return failed(ConversionFailure::NothingOut);
  return output.finish();
}

String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length) {
  const Utf8Block block = convertToUtf8Block(KVDSOLD::UCNVLibrary::instance(), name, text, length);
  if (block.length == 0)
    return String<unsigned char>();
  return String<unsigned char>(block.data.get(), static_cast<std::uint32_t>(block.length));
}

}  // namespace Quarn
