// Why the plug-in refused a local script: the host looks at the file
// itself, checks what the plug-in checks in the order it checks it, and
// names the likely cause and a way round it in its own user's terms.
#pragma once

#include <cstdint>
#include <string>

#include "HostObjects.h"

namespace QuarnHost {

/// The largest file the plug-in reads: the text and its terminator must fit
/// a signed 32-bit size.
constexpr std::uint64_t kLargestScript = 2147483646;

/// How a host's user gives the two settings: the player's options, the
/// element's properties.
struct SettingNames {
  const char* overrideEmbedded;
  const char* codepage;
  /// Between a name and its value.
  const char* separator;
};
constexpr SettingNames kPlayerOptions{"--override-embedded", "--codepage", " "};
constexpr SettingNames kElementProperties{"override-embedded", "codepage", "="};

/// What the host could learn about a local source on its own.
struct SourceFile {
  /// The absolute path the plug-in was given.
  std::string path;
  /// False when the file could not be read; `readError` then says why.
  bool readable = false;
  std::string readError;
  std::uint64_t size = 0;
  /// The whole file; left empty when it is larger than kLargestScript.
  std::string bytes;
};

/// Reads the regular file at `path` without waiting on anything else.
SourceFile readSourceFile(const std::string& path);

/// The likely reason the plug-in could not open `file` with the host's
/// answers `settings`, as one line without a program name or a line break,
/// its advice spelt with `names`; empty when the file shows no cause.
std::string diagnoseOpenFailure(const SourceFile& file, const CodePageSettings& settings,
                                const SettingNames& names);

}  // namespace QuarnHost
