// Why the plug-in refused a local script: the player looks at the file
// itself, checks what the plug-in checks in the order it checks it, and
// names the likely cause and a way round it.
#pragma once

#include <cstdint>
#include <string>

#include "Options.h"

namespace QuarnPlay {

/// The largest file the plug-in reads: the text and its terminator must fit
/// a signed 32-bit size.
constexpr std::uint64_t kLargestScript = 2147483646;

/// What the player could learn about a local source on its own.
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

/// The likely reason the plug-in could not open `file` with the settings in
/// `options`, as one line without the program name or a line break; empty
/// when the file shows no cause.
std::string diagnoseOpenFailure(const SourceFile& file, const Options& options);

}  // namespace QuarnPlay
