#include "text/Encoding.h"

#include <cstdint>

namespace Quarn {
namespace {

using KVDSOLD::UChar;
using KVDSOLD::UConverter;
using KVDSOLD::UErrorCode;

// ICU refuses a single call whose target holds more than 0x7FFFFFFF bytes.
constexpr std::size_t kMaxUtf8Target = 0x7FFFFFFF;

// A converter that is closed however the step ends.
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

}  // namespace

Utf8Block convertToUtf8Block(const KVDSOLD::UCNVLibrary& converters, const char* name,
                             const unsigned char* text, std::size_t length) {
  if (name == nullptr || text == nullptr || length == 0 || length > kMaxConversionInput)
    return Utf8Block();

  // Both buffers are sized for the worst case so that each step is one ICU
  // call. They are left uninitialised: untouched pages cost nothing.
  const std::size_t wideCapacity = 4 * length + 1;
  std::unique_ptr<UChar[]> wide(new UChar[wideCapacity]);
  std::size_t wideLength;
  {
    OpenConverter decoder(converters, name);
    if (decoder.get() == nullptr)
      return Utf8Block();
    UChar* target = wide.get();
    const char* source = reinterpret_cast<const char*>(text);
    UErrorCode error = 0;
    // What ICU reports here does not fail the step: the units it wrote stand.
    converters.toUnicode(decoder.get(), &target, wide.get() + wideCapacity - 1, &source,
                         source + length, nullptr, 1, &error);
    *target = 0;
    wideLength = static_cast<std::size_t>(target - wide.get());
  }

  const std::size_t narrowCapacity = 4 * wideLength + 1;
  if (narrowCapacity > kMaxUtf8Target)
    return Utf8Block();
  Utf8Block result;
  result.data.reset(new unsigned char[narrowCapacity]);
  {
    OpenConverter encoder(converters, "utf8");
    if (encoder.get() == nullptr)
      return Utf8Block();
    char* target = reinterpret_cast<char*>(result.data.get());
    const UChar* source = wide.get();
    UErrorCode error = 0;
    converters.fromUnicode(encoder.get(), &target,
                           reinterpret_cast<char*>(result.data.get()) + narrowCapacity - 1, &source,
                           source + wideLength, nullptr, 1, &error);
    *target = 0;
    result.length = static_cast<std::size_t>(target - reinterpret_cast<char*>(result.data.get()));
  }
  if (result.length == 0)
    return Utf8Block();
  return result;
}

String<unsigned char> convertToUtf8(const char* name, const unsigned char* text,
                                    std::size_t length) {
  const Utf8Block block = convertToUtf8Block(KVDSOLD::UCNVLibrary::instance(), name, text, length);
  if (block.length == 0)
    return String<unsigned char>();
  return String<unsigned char>(block.data.get(), static_cast<std::uint32_t>(block.length));
}

}  // namespace Quarn
