// Records the host hands in or fills: the source descriptor, the settings
// query and its answer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "String.h"

namespace Quarn {

/// Describes a source. The plug-in reads only the location, UTF-8 text that
/// is normally a file URL. Borrowed for the duration of probe or open.
struct SourceDescriptor {
  std::int32_t reserved = 0;
  const String<unsigned char>* location = nullptr;
};

/// A settings query: created by the caller for one getSetting call. Owns
/// copies of its texts, made with the default char allocator.
class Setting {
 public:
  Setting(std::int32_t domainValue, const char* sectionText, const char* nameText)
      : domain(domainValue), section(sectionText), name(nameText) {}
  virtual ~Setting() = default;

  std::int32_t domain;
  String<char> section;
  String<char> name;
};

/// Tags of SettingValue; any other tag means "no usable answer".
constexpr std::uint8_t SettingTagNone = 0;
constexpr std::uint8_t SettingTagBoolean = 1;
constexpr std::uint8_t SettingTagText = 11;

/// The 16-byte answer getSetting fills. The caller supplies it uninitialised;
/// the host sets `tag` on every call. A text answer points at a String owned
/// by the host; only its zero-terminated data is read, and copied at once.
struct SettingValue {
  std::uint8_t tag;
  std::uint8_t unused[7];
  union {
    std::uint8_t boolean;      // tag 1: 0 is false, anything else true
    const String<char>* text;  // tag 11
  } value;
};
static_assert(sizeof(SettingValue) == 16, "SettingValue crosses the boundary as 16 bytes");
static_assert(offsetof(SettingValue, tag) == 0, "tag byte first");
static_assert(offsetof(SettingValue, value) == 8, "value 8 bytes from the start");

}  // namespace Quarn
