#include "IcuText.h"

#include <dlfcn.h>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/uvernum.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <rules/Utf8.h>

namespace QuarnHost {
namespace {

/// The most of a text the detector is shown.
constexpr std::size_t kSampleLimit = 4096;

// ICU is loaded on the first question, not linked: most runs ask none, and
// loading and relocating ICU's libraries took a quarter of a millisecond of
// every start of the player. The entry points have the versioned names of
// the headers built against: ucnv_open is ucnv_open_72 for ICU 72.
#define QUARN_ICU_QUOTE(name) #name
#define QUARN_ICU_NAME(name) QUARN_ICU_QUOTE(name)

struct Icu {
  decltype(&ucnv_open) open = nullptr;
  decltype(&ucnv_close) close = nullptr;
  decltype(&ucnv_toUnicode) toUnicode = nullptr;
  decltype(&ucnv_fromUnicode) fromUnicode = nullptr;
  decltype(&ucnv_setToUCallBack) setToUCallBack = nullptr;
  UConverterToUCallback skip = nullptr;  // UCNV_TO_U_CALLBACK_SKIP
  decltype(&ucsdet_open) detectorOpen = nullptr;
  decltype(&ucsdet_close) detectorClose = nullptr;
  decltype(&ucsdet_setText) setText = nullptr;
  decltype(&ucsdet_detect) detect = nullptr;
  decltype(&ucsdet_getName) getName = nullptr;
  decltype(&ucsdet_getConfidence) getConfidence = nullptr;

  bool converts() const {
    return open && close && toUnicode && fromUnicode && setToUCallBack && skip;
  }
  bool detects() const {
    return converts() && detectorOpen && detectorClose && setText && detect && getName &&
           getConfidence;
  }
};

template <class Entry>
void find(void* library, const char* name, Entry& entry) {
  entry = library != nullptr ? reinterpret_cast<Entry>(dlsym(library, name)) : nullptr;
}

// Loaded once and never unloaded, like the plug-in's own; missing, every
// code page is unknown and nothing is guessed.
const Icu& icu() {
  static const Icu calls = [] {
    Icu c;
    void* common = dlopen("libicuuc.so." U_ICU_VERSION_SHORT, RTLD_NOW | RTLD_LOCAL);
    void* i18n = dlopen("libicui18n.so." U_ICU_VERSION_SHORT, RTLD_NOW | RTLD_LOCAL);
    find(common, QUARN_ICU_NAME(ucnv_open), c.open);
    find(common, QUARN_ICU_NAME(ucnv_close), c.close);
    find(common, QUARN_ICU_NAME(ucnv_toUnicode), c.toUnicode);
    find(common, QUARN_ICU_NAME(ucnv_fromUnicode), c.fromUnicode);
    find(common, QUARN_ICU_NAME(ucnv_setToUCallBack), c.setToUCallBack);
    find(common, QUARN_ICU_NAME(UCNV_TO_U_CALLBACK_SKIP), c.skip);
    find(i18n, QUARN_ICU_NAME(ucsdet_open), c.detectorOpen);
    find(i18n, QUARN_ICU_NAME(ucsdet_close), c.detectorClose);
    find(i18n, QUARN_ICU_NAME(ucsdet_setText), c.setText);
    find(i18n, QUARN_ICU_NAME(ucsdet_detect), c.detect);
    find(i18n, QUARN_ICU_NAME(ucsdet_getName), c.getName);
    find(i18n, QUARN_ICU_NAME(ucsdet_getConfidence), c.getConfidence);
    return c;
  }();
  return calls;
}

struct CloseConverter {
  void operator()(UConverter* converter) const { icu().close(converter); }
};
using Converter = std::unique_ptr<UConverter, CloseConverter>;

struct CloseDetector {
  void operator()(UCharsetDetector* detector) const { icu().detectorClose(detector); }
};

Converter openConverter(const std::string& name) {
  if (!icu().converts())
    return nullptr;
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(icu().open(name.c_str(), &error));
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
    icu().toUnicode(converter, &target, piece.data() + piece.size(), &source, sourceEnd, nullptr,
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
    icu().fromUnicode(encoder.get(), &target, piece.data() + piece.size(), &source, sourceEnd,
                      nullptr, true, &error);
    text.append(piece.data(), static_cast<std::size_t>(target - piece.data()));
    if (error != U_BUFFER_OVERFLOW_ERROR)
      break;
  }
  return text;
}

// What the detector is shown of a script. Its markup is ASCII that every
// legacy code page shares and that matches no language's letter sequences:
// the dialogue text of the lines holding other bytes is what tells code
// pages apart, and given alone it raises the confidence of a right guess.
// The detector takes about 0.4 us a byte, so it sees the first of them.
std::string detectionSample(std::string_view bytes) {
  std::string sample;
  for (std::size_t start = 0; start < bytes.size() && sample.size() < kSampleLimit;) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos)
      end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    const auto* first = reinterpret_cast<const unsigned char*>(line.data());
    if (Quarn::skipAscii(first, first + line.size()) == first + line.size())
      continue;
    // An event line's text is its tenth field; override blocks are markup.
    std::size_t text = 0;
    for (int field = 0; field < 9 && text != std::string_view::npos; ++field) {
      const std::size_t comma = line.find(',', text);
      text = comma == std::string_view::npos ? comma : comma + 1;
    }
    if (text != std::string_view::npos)
      line.remove_prefix(text);
    for (std::size_t at = 0; at < line.size();) {
      const std::size_t open = line.find('{', at);
      sample.append(line.substr(at, open == std::string_view::npos ? open : open - at));
      if (open == std::string_view::npos)
        break;
      const std::size_t close = line.find('}', open);
      at = close == std::string_view::npos ? line.size() : close + 1;
    }
    sample.push_back('\n');
  }
  if (sample.empty())
    sample = bytes.substr(0, kSampleLimit);
  sample.resize(std::min(sample.size(), kSampleLimit));
  return sample;
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

bool keepsAscii(const std::string& name) {
  static constexpr std::string_view kMarkup = "[Events]\r\nDialogue: 0,0:00:01.00,{\\an8}~";
  const DecodedText decoded = decodeText(kMarkup, name);
  return decoded.known && decoded.text == kMarkup;
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
  icu().setToUCallBack(decoder.get(), icu().skip, nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error))
    return 0;
  const std::u16string wide = toUtf16(decoder.get(), bytes);
  std::uint64_t count = 0;
  for (const char16_t unit : wide)
    count += unit == 0xFFFD;
  return count;
}

std::optional<EncodingGuess> guessEncoding(std::string_view bytes) {
  const std::string sample = detectionSample(bytes);
  if (!icu().detects() || sample.empty())
    return std::nullopt;
  UErrorCode error = U_ZERO_ERROR;
  const std::unique_ptr<UCharsetDetector, CloseDetector> detector(icu().detectorOpen(&error));
  if (U_FAILURE(error))
    return std::nullopt;
  icu().setText(detector.get(), sample.data(), static_cast<std::int32_t>(sample.size()), &error);
  const UCharsetMatch* match = icu().detect(detector.get(), &error);
  if (U_FAILURE(error) || match == nullptr)
    return std::nullopt;
  EncodingGuess guess;
  const char* name = icu().getName(match, &error);
  guess.confidence = icu().getConfidence(match, &error);
  if (U_FAILURE(error) || name == nullptr || !isKnownCodePage(name))
    return std::nullopt;
  guess.name = name;
  return guess;
}

}  // namespace QuarnHost
