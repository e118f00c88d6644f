#include "text/Encoding.h"

#include "platform/Memory.h"
#include "text/Utf.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

  /// Grows until `more` bytes fit behind the end; false when they cannot.
  bool makeRoom(std::size_t more) {
    while (capacity_ - length_ < more) {
      if (!grow())
        return false;
    }
    return true;
  }

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
// bytes ICU makes, only sooner. Converts the units of the even `length`
// bytes at `text` to `out`, which has room for 3 bytes per unit, and
// advances it. With `holdLast` a high surrogate as the last unit is left for
// the next piece. `consumed` gets the bytes converted. False on an unpaired
// surrogate: such a text goes to ICU, whose substitutions decide.
bool utf16Units(const unsigned char* text, std::size_t length, bool bigEndian, bool holdLast,
                unsigned char*& out, std::size_t& consumed) {
  const std::size_t units = length / 2;
  const int high = bigEndian ? 0 : 1;
  auto unitAt = [&](std::size_t i) {
    return static_cast<std::uint32_t>(text[2 * i + high]) << 8 | text[2 * i + 1 - high];
  };
  // Runs of ASCII, which most scripts are, go eight units at a time (four
  // without SSE2): every high byte zero, every low byte below 0x80.
  std::size_t i = 0;
  while (i < units) {
#ifdef __SSE2__
    if (i + 8 <= units) {
      __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i));
      if (bigEndian)
        word = _mm_or_si128(_mm_slli_epi16(word, 8), _mm_srli_epi16(word, 8));
      const __m128i upper = _mm_and_si128(word, _mm_set1_epi16(static_cast<short>(0xFF80)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(upper, _mm_setzero_si128())) == 0xFFFF) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(word, word));
        out += 8;
        i += 8;
        continue;
      }
    }
#else
    if (i + 4 <= units) {
      const std::uint64_t notAscii = bigEndian ? 0x80FF80FF80FF80FFu : 0xFF80FF80FF80FF80u;
      std::uint64_t word;
      std::memcpy(&word, text + 2 * i, 8);
      if ((word & notAscii) == 0) {
        for (int k = 0; k < 4; ++k)
          *out++ = text[2 * (i + k) + 1 - high];
        i += 4;
        continue;
      }
    }
#endif
    const std::uint32_t unit = unitAt(i);
    if (unit < 0xD800 || unit > 0xDFFF) {
      out = appendUtf8(unit, out);
    } else {
      if (unit > 0xDBFF)
        return false;
      if (i + 1 >= units) {
        if (!holdLast)
          return false;
        break;
      }
      const std::uint32_t low = unitAt(i + 1);
      if (low < 0xDC00 || low > 0xDFFF)
        return false;
      ++i;
      out = appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
    }
    ++i;
  }
  consumed = 2 * i;
  return true;
}

Utf8Block failed(ConversionFailure why) {
  Utf8Block block;
  block.failure = why;
  return block;
}

}  // namespace

ConversionFailure checkConverters(const KVDSOLD::UCNVLibrary& converters, const char* name) {
  if (name == nullptr)
    return ConversionFailure::NoInput;
  if (!converters.isUsable())
    return ConversionFailure::NoLibrary;
  if (OpenConverter(converters, name).get() == nullptr)
    return ConversionFailure::UnknownEncoding;
  // An ICU without UTF-8 is no ICU.
  if (OpenConverter(converters, "utf8").get() == nullptr)
    return ConversionFailure::NoLibrary;
  return ConversionFailure::None;
}

// The text goes through UTF-16 a chunk at a time, so the intermediate stays
// small and in cache whatever the input's size; only the result grows.
Utf8Block convertToUtf8Block(const KVDSOLD::UCNVLibrary& converters, const char* name,
                             const unsigned char* text, std::size_t length) {
  if (name == nullptr || text == nullptr || length == 0)
    return failed(ConversionFailure::NoInput);
  if (length > kMaxConversionInput)
    return failed(ConversionFailure::TooLarge);
  if (const ConversionFailure why = checkConverters(converters, name);
      why != ConversionFailure::None)
    return failed(why);

  // Most texts need at most 1.5 bytes of UTF-8 per input byte; more grows.
  Utf8Output output(std::min(kMaxConversionOutput, length + length / 2 + 64));
  // UTF-16 needs at most that, so the shortcut never has to grow.
  if (const int order = utf16Order(name);
      order != 0 && length % 2 == 0 && length + length / 2 <= kMaxConversionOutput) {
    unsigned char* out = output.begin();
    std::size_t consumed = 0;
    if (utf16Units(text, length, order == 2, false, out, consumed)) {
      if (out == output.begin())
        return failed(ConversionFailure::NothingOut);
      output.setEnd(reinterpret_cast<const char*>(out));
      return output.finish();
    }
  }
  OpenConverter decoder(converters, name);
  OpenConverter encoder(converters, "utf8");
  if (decoder.get() == nullptr || encoder.get() == nullptr)
    return failed(ConversionFailure::NoLibrary);
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

bool isStreamableUtf16(const char* name) {
  return name != nullptr && utf16Order(name) != 0;
}

bool streamUtf16ToUtf8(const char* name, std::size_t expected, const ReadPiece& read,
                       Utf8Block& out, std::size_t& bytesRead) {
  bytesRead = 0;
  const int order = name != nullptr ? utf16Order(name) : 0;
  if (order == 0 || expected > kMaxConversionInput)
    return false;
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  // A piece, behind at most three bytes left from the last: a held high
  // surrogate and an odd byte.
  std::unique_ptr<unsigned char[]> piece(new unsigned char[kPiece + 4]);
  // Scripts are mostly ASCII, one byte for every two read.
  Utf8Output output(expected / 2 + 4096);
  Platform::prepareLargeBlock(output.begin(), expected / 2);
  std::size_t carried = 0;
  for (;;) {
    const std::int64_t got = read(piece.get() + carried, kPiece);
    if (got < 0)
      return false;
    bytesRead += static_cast<std::size_t>(got);
    const bool last = static_cast<std::size_t>(got) < kPiece;
    const std::size_t available = carried + static_cast<std::size_t>(got);
    const std::size_t even = available & ~std::size_t{1};
    if (!output.makeRoom(even / 2 * 3))
      return false;
    unsigned char* end = reinterpret_cast<unsigned char*>(output.end());
    std::size_t consumed = 0;
    if (!utf16Units(piece.get(), even, order == 2, !last, end, consumed))
      return false;
    output.setEnd(reinterpret_cast<const char*>(end));
    carried = available - consumed;
    if (last) {
      if (carried != 0)
        return false;  // an odd byte or a lone high surrogate at the end
      break;
    }
    std::memmove(piece.get(), piece.get() + consumed, carried);
  }
  out = output.length() == 0 ? failed(ConversionFailure::NothingOut) : output.finish();
  return true;
}

String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length) {
  const Utf8Block block = convertToUtf8Block(KVDSOLD::UCNVLibrary::instance(), name, text, length);
  if (block.length == 0)
    return String<unsigned char>();
  return String<unsigned char>(block.data.get(), static_cast<std::uint32_t>(block.length));
}

}  // namespace Quarn
