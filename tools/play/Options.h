// The player's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace QuarnPlay {

struct Options {
  /// The module to load; empty means the default search (ModuleSearch.h).
  std::string pluginPath;
  bool json = false;
  bool header = false;
  /// The answer to "OverrideEmbedded"; none means "no value" (tag 0).
  std::optional<bool> overrideEmbedded;
  /// The answer to "Name"; none means "no value" (tag 0).
  std::optional<std::string> codepage;
  std::string language;
  std::int32_t rate = 1000;
  std::optional<std::uint32_t> seek;
  bool quiet = false;
  bool realtime = false;
  /// The plug-in's own log on standard error.
  bool verbose = false;
  /// Where every call across the plug-in boundary is written ("-": standard
  /// error); none for no trace.
  std::optional<std::string> trace;
  std::string source;
};

enum class Command { Play, Help, Version, UsageError };

struct ParsedCommandLine {
  Command command = Command::Play;
  Options options;
  /// Why the command line was refused (UsageError only).
  std::string error;
};

/// Parses the arguments after the program name. Options may come before or
/// after SOURCE, a value either as the next argument or after "=", and "--"
/// ends the options. A repeated option keeps its last value. --help and
/// --version win over everything else that parses.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The --help text.
std::string usageText();

/// The --version line.
std::string versionText();

}  // namespace QuarnPlay
