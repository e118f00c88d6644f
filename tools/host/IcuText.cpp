#include "IcuText.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <rules/Utf8.h>

namespace QuarnHost {
namespace {

struct CloseConverter {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, CloseConverter>;

struct CloseDetector {
  void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

Converter openConverter(const std::string& name) {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &error));
  if (U_FAILURE(error))
    converter.reset();
  return converter;
}

// The whole of `bytes` to UTF-16 through `converter`, a piece at a time so
// that no count overflows ICU's 32-bit lengths.
std::u16string toUtf16(UConverter* converter, std::string_view bytes) {
  std::u16string wide;
  std::vector<UChar> piece(1 << 16);
  const char* source = bytes.data();
  const char* const sourceEnd = source + bytes.size();
  for (;;) {
    UChar* target = piece.data();
    UErrorCode error = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, piece.data() + piece.size(), &source, sourceEnd, nullptr,
                   true, &error);
    wide.append(reinterpret_cast<const char16_t*>(piece.data()),
                static_cast<std::size_t>(target - piece.data()));
    if (error != U_BUFFER_OVERFLOW_ERROR)
      break;
  }
  return wide;
}

std::string toUtf8(std::u16string_view wide) {
  const Converter encoder = openConverter("utf8");
  std::string text;
  if (!encoder)
    return text;
  std::vector<char> piece(1 << 16);
  const UChar* source = reinterpret_cast<const UChar*>(wide.data());
  const UChar* const sourceEnd = source + wide.size();
  for (;;) {
    char* target = piece.data();
    UErrorCode error = U_ZERO_ERROR;
    ucnv_fromUnicode(encoder.get(), &target, piece.data() + piece.size(), &source, sourceEnd,
                     nullptr, true, &error);
    text.append(piece.data(), static_cast<std::size_t>(target - piece.data()));
    if (error != U_BUFFER_OVERFLOW_ERROR)
      break;
  }
  return text;
}

}  // namespace

bool isKnownCodePage(const std::string& name) {
  return !name.empty() && openConverter(name) != nullptr;
}

DecodedText decodeText(std::string_view bytes, const std::string& name) {
  DecodedText decoded;
  const Converter decoder = openConverter(name);
  if (!decoder)
    return decoded;
  decoded.known = true;
  decoded.text = toUtf8(toUtf16(decoder.get(), bytes));
  return decoded;
}

std::uint64_t countHeldReplacements(std::string_view bytes, const std::string& name) {
  if (name.empty()) {
    // Only well-formed sequences count: an ill-formed one is what a reader
    // replaces, not what the file holds.
    std::uint64_t count = 0;
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = at + bytes.size();
    while (at < end) {
      const Quarn::Utf8Step step = Quarn::nextUtf8(at, end);
      count +=
          step.wellFormed && step.length == 3 && at[0] == 0xEF && at[1] == 0xBF && at[2] == 0xBD;
      at += step.length;
    }
    return count;
  }
  const Converter decoder = openConverter(name);
  if (!decoder)
    return 0;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setToUCallBack(decoder.get(), UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error))
    return 0;
  const std::u16string wide = toUtf16(decoder.get(), bytes);
  std::uint64_t count = 0;
  for (const char16_t unit : wide)
    count += unit == 0xFFFD;
  return count;
}

std::optional<EncodingGuess> guessEncoding(std::string_view bytes) {
  // A script is mostly ASCII markup that every legacy code page shares: the
  // lines that hold other bytes are what tells code pages apart, and given
  // alone they sharpen the detector's confidence.
  std::string sample;
  constexpr std::size_t kSampleLimit = std::size_t{1} << 20;
  for (std::size_t start = 0; start < bytes.size() && sample.size() < kSampleLimit;) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos)
      end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    if (std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; }))
      sample.append(line).push_back('\n');
    start = end + 1;
  }
  if (sample.empty())
    sample = bytes.substr(0, kSampleLimit);
  sample.resize(std::min(sample.size(), kSampleLimit));

  UErrorCode error = U_ZERO_ERROR;
  const std::unique_ptr<UCharsetDetector, CloseDetector> detector(ucsdet_open(&error));
  if (U_FAILURE(error) || sample.empty())
    return std::nullopt;
  ucsdet_setText(detector.get(), sample.data(), static_cast<std::int32_t>(sample.size()), &error);
  const UCharsetMatch* match = ucsdet_detect(detector.get(), &error);
  if (U_FAILURE(error) || match == nullptr)
    return std::nullopt;
  EncodingGuess guess;
  const char* name = ucsdet_getName(match, &error);
  guess.confidence = ucsdet_getConfidence(match, &error);
  if (U_FAILURE(error) || name == nullptr || !isKnownCodePage(name))
    return std::nullopt;
  guess.name = name;
  return guess;
}

}  // namespace QuarnHost
