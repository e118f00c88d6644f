#include "text/ParserUtilities.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "framework/Records.h"
#include "log/Logger.h"
#include "platform/FileUrl.h"
#include "platform/Memory.h"
#include "platform/NativeFile.h"
#include "rules/ByteOrderMarks.h"
#include "text/Encoding.h"
#include "text/Utf.h"

namespace Quarn {
namespace {

constexpr std::int32_t kSettingDomain = 4;
constexpr const char* kSettingSection = "CodePage";
constexpr const char* kCategory = "Utilities";
constexpr const char* kFunction = "Quarn::ParserUtilities::readTextFile";

// The host's answer to one setting; tag 0 (no answer) without a host.
SettingValue askHost(ContainerHost* host, const char* name) {
  SettingValue value{};
  if (host != nullptr) {
    Setting setting(kSettingDomain, kSettingSection, name);
    host->getSetting(setting, &value);
  }
  return value;
}

// A path the file system can be given as is: non-empty, well-formed UTF-8
// and free of zero bytes, which would cut it short.
bool isUsablePath(const String<unsigned char>& path) {
  return !path.isEmpty() && std::memchr(path.data(), 0, path.length()) == nullptr &&
         isValidUtf8(path.data(), path.length());
}

// One line saying why the text could not be converted.
void logConversionFailure(const String<unsigned char>& path, const String<char>& encoding,
                          ConversionFailure failure) {
  switch (failure) {
    case ConversionFailure::NoLibrary:
      QUARN_LOG(kCategory, kFunction, "Refused %s: no converter library to decode %s\n",
                path.cText(), encoding.cText());
      break;
    case ConversionFailure::UnknownEncoding:
      QUARN_LOG(kCategory, kFunction, "Refused %s: no converter for %s\n", path.cText(),
                encoding.cText());
      break;
    case ConversionFailure::TooLarge:
      QUARN_LOG(kCategory, kFunction, "Refused %s: the text decoded as %s would be too large\n",
                path.cText(), encoding.cText());
      break;
    case ConversionFailure::None:
    case ConversionFailure::NoInput:
    case ConversionFailure::NothingOut:
      QUARN_LOG(kCategory, kFunction, "Refused %s: nothing could be decoded as %s\n", path.cText(),
                encoding.cText());
      break;
  }
}

}  // namespace

bool ParserUtilities::readTextFile(const String<unsigned char>& path, ContainerHost* host,
                                   String<unsigned char>* out, std::int32_t size,
                                   const KVDSOLD::UCNVLibrary* converters) {
  if (out == nullptr)
    return false;
  TextBuffer text;
  if (!readTextBuffer(path, host, &text, size, converters))
    return false;
  out->assign(String<unsigned char>(text.text, static_cast<std::uint32_t>(text.size)));
  return true;
}

bool ParserUtilities::readTextBuffer(const String<unsigned char>& path, ContainerHost* host,
                                     TextBuffer* out, std::int32_t size,
                                     const KVDSOLD::UCNVLibrary* given) {
  if (out == nullptr)
    return false;
  // ICU is looked for only when a text needs converting: finding it means
  // trying dozens of file names, which would otherwise cost a UTF-8 script
  // more than its parse.
  auto converters = [given]() -> const KVDSOLD::UCNVLibrary& {
    return given != nullptr ? *given : KVDSOLD::UCNVLibrary::instance();
  };

  // The file stays open while the encoding is decided, which the first bytes
  // and the host's settings do: well-formed UTF-16 is then converted as it
  // is read, any other text read whole first.
  Platform::NativeFile file;
  if (!isUsablePath(path) || !file.open(path.cText(), 0)) {
    QUARN_LOG(kCategory, kFunction, "Failed to open file %s\n", path.cText());
    return false;
  }
  std::int64_t wanted = size;
  if (wanted == -1) {
    wanted = file.seek(0, Platform::SeekFrom::End);
    file.seek(0, Platform::SeekFrom::Begin);
  }
  if (wanted < 0) {
    if (size == -1)
      QUARN_LOG(kCategory, kFunction, "Refused %s: its size cannot be read\n", path.cText());
    else
      QUARN_LOG(kCategory, kFunction, "Refused %s: %d is no number of bytes to read\n",
                path.cText(), static_cast<int>(size));
    return false;
  }
  // The text and a terminator must fit a signed 32-bit size; a larger file
  // is refused rather than truncated.
  if (wanted >= INT32_MAX) {
    QUARN_LOG(kCategory, kFunction, "Refused %s: %lld bytes is more than a text may hold\n",
              path.cText(), static_cast<long long>(wanted));
    return false;
  }
  auto shortRead = [&](std::int64_t got) {
    QUARN_LOG(kCategory, kFunction, "Tried to read %ld bytes, got %ld\n", static_cast<long>(wanted),
              static_cast<long>(got));
    return false;
  };
  unsigned char head[4] = {0, 0, 0, 0};
  const std::int64_t headSize = std::min<std::int64_t>(wanted, sizeof head);
  if (const std::int64_t got = file.read(head, headSize); got != headSize)
    return shortRead(got);

  const std::size_t length = static_cast<std::size_t>(wanted);
  std::size_t skip = 0;
  String<char> encoding;
  bool dropMark = false;

  // The mark counts only when the host says explicitly that its code page
  // does not override what the file declares.
  const SettingValue overrideEmbedded = askHost(host, "OverrideEmbedded");
  if (overrideEmbedded.tag == SettingTagBoolean && overrideEmbedded.value.boolean == 0) {
    const ByteOrderMark* mark = findByteOrderMark(head, static_cast<std::size_t>(headSize));
    if (mark != nullptr) {
      encoding.assign(String<char>(mark->converter));
      skip = mark->skip;
    }
    if (skip != 0 && skip == length) {
      QUARN_LOG(kCategory, kFunction, "Refused %s: the file holds only a %s byte-order mark\n",
                path.cText(), encoding.cText());
      return false;
    }
    // A UTF-7 mark shares its last base64 digits with the characters after
    // it, so the text is decoded from its first byte and the decoded mark
    // dropped instead.
    if (mark != nullptr && mark->decodedWithText) {
      skip = 0;
      dropMark = true;
    }
  }
  if (encoding.isEmpty()) {
    const SettingValue name = askHost(host, "Name");
    if (name.tag == SettingTagText && name.value.text != nullptr)
      encoding.assign(String<char>(name.value.text->data()));
  }
  // Refused only now: the host is asked for its settings on every read.
  if (length == 0) {
    QUARN_LOG(kCategory, kFunction, "Refused %s: the file is empty\n", path.cText());
    return false;
  }

  // What a conversion made becomes the text, refused when nothing is left.
  TextBuffer result;
  auto takeConverted = [&](Utf8Block converted) {
    if (converted.data == nullptr) {
      logConversionFailure(path, encoding, converted.failure);
      return false;
    }
    result.text = converted.data.get();
    // Converted text ends at its first zero character.
    result.size = std::strlen(reinterpret_cast<const char*>(result.text));
    result.block = std::move(converted.data);
    if (dropMark && result.size >= 3 && std::memcmp(result.text, "\xEF\xBB\xBF", 3) == 0) {
      result.text += 3;
      result.size -= 3;
    }
    if (result.size == 0) {
      QUARN_LOG(kCategory, kFunction, "Refused %s: no text once decoded as %s\n", path.cText(),
                encoding.cText());
      return false;
    }
    return true;
  };

  bool decided = false;
  if (!encoding.isEmpty() && isStreamableUtf16(encoding.cText()) &&
      checkConverters(converters(), encoding.cText()) == ConversionFailure::None &&
      file.seek(static_cast<std::int64_t>(skip), Platform::SeekFrom::Begin) ==
          static_cast<std::int64_t>(skip)) {
    // No more than the size taken above, as a whole read would take.
    std::size_t left = length - skip;
    const ReadPiece readPiece = [&](unsigned char* buffer, std::size_t count) {
      const std::int64_t got = file.read(buffer, static_cast<std::int64_t>(std::min(count, left)));
      if (got > 0)
        left -= static_cast<std::size_t>(got);
      return got;
    };
    Utf8Block converted;
    std::size_t got = 0;
    if (streamUtf16ToUtf8(encoding.cText(), length - skip, readPiece, converted, got)) {
      if (got != length - skip)
        return shortRead(static_cast<std::int64_t>(skip + got));
      if (!takeConverted(std::move(converted)))
        return false;
      decided = true;
    }
  }

  if (!decided) {
    // The whole file; its bytes become the result when no conversion is
    // needed. No zero fill: the read overwrites every byte before the
    // terminator or the call fails.
    std::unique_ptr<unsigned char[], FreeBlock> bytes(
        static_cast<unsigned char*>(std::malloc(length + 1)));
    if (bytes == nullptr) {
      QUARN_LOG(kCategory, kFunction, "Couldn't allocate %ld bytes\n",
                static_cast<long>(wanted + 1));
      return false;
    }
    Platform::prepareLargeBlock(bytes.get(), length + 1);
    bytes[length] = 0;
    if (file.seek(0, Platform::SeekFrom::Begin) != 0)
      return shortRead(0);
    if (const std::int64_t got = file.read(bytes.get(), wanted); got != wanted)
      return shortRead(got);
    file.close();
    if (encoding.isEmpty()) {
      result.block = std::move(bytes);
      result.text = result.block.get() + skip;
      result.size = length - skip;
    } else if (!takeConverted(convertToUtf8Block(converters(), encoding.cText(), bytes.get() + skip,
                                                 length - skip))) {
      return false;
    }
  }
  if (!isLegalUtf8Sequence(result.text, result.text + result.size)) {
    QUARN_LOG(kCategory, kFunction,
              "Refused %s: the text does not begin with a well-formed UTF-8 character\n",
              path.cText());
    return false;
  }
  *out = std::move(result);
  return true;
}

Result urlToPath(const String<unsigned char>& location, String<unsigned char>& path) {
  // Only well-formed UTF-8 is a location: the lenient decoder below would
  // read an overlong C0 AF as "/", and a path could then climb out of a
  // folder the host checked by its prefix.
  if (!isValidUtf8(location.data(), location.length()))
    return ResultBadLocation;
  // The location goes through UTF-16 as a wide path service would take it:
  // the decoder drops a leading mark and refuses what it cannot map.
  const std::u16string wide = utf8ToWide(location.data(), location.length());
  const std::string url = wide.empty() ? std::string() : wideToUtf8(wide);
  std::string decoded;
  if (url.empty() || !Platform::fileUrlToPath(url, decoded))
    return ResultBadLocation;
  // Escapes may spell any bytes; only well-formed UTF-8 makes a path, so an
  // overlong "/" cannot slip through as a separator.
  if (!isValidUtf8(reinterpret_cast<const unsigned char*>(decoded.data()), decoded.size()))
    return ResultBadLocation;
  path.assign(String<unsigned char>(decoded.data(), static_cast<std::uint32_t>(decoded.size())));
  return ResultOk;
}

}  // namespace Quarn
