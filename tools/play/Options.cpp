#include "Options.h"

#include <cstdint>
#include <limits>

#ifndef QUARN_PLAY_VERSION
#define QUARN_PLAY_VERSION "0"
#endif

namespace QuarnPlay {
namespace {

/// A decimal integer with an optional sign, nothing else, within [low, high].
std::optional<std::int64_t> parseInteger(const std::string& text, std::int64_t low,
                                         std::int64_t high) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  if (i == text.size())
    return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = value * 10 + (text[i] - '0');
    // Anything beyond 32 bits is out of range for every caller; stopping here
    // keeps the arithmetic far from overflow.
    if (value > (std::int64_t{1} << 33))
      return std::nullopt;
  }
  if (negative)
    value = -value;
  if (value < low || value > high)
    return std::nullopt;
  return value;
}

bool takesValue(const std::string& name) {
  return name == "--plugin" || name == "--override-embedded" || name == "--codepage" ||
         name == "--lang" || name == "--rate" || name == "--seek" || name == "--trace";
}

/// Stores one option's value; returns the reason it is refused, or "".
std::string applyValue(Options& options, const std::string& name, const std::string& value) {
  if (name == "--plugin") {
    if (value.empty())
      return "--plugin needs a path";
    options.pluginPath = value;
  } else if (name == "--override-embedded") {
    if (value != "true" && value != "false")
      return "--override-embedded takes true or false, not '" + value + "'";
    options.overrideEmbedded = value == "true";
  } else if (name == "--codepage") {
    options.codepage = value;
  } else if (name == "--lang") {
    options.language = value;
  } else if (name == "--trace") {
    if (value.empty())
      return "--trace needs a file, or - for standard error";
    options.trace = value;
  } else if (name == "--rate") {
    const auto rate = parseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max());
    if (!rate)
      return "--rate takes a signed 32-bit whole number, not '" + value + "'";
    options.rate = static_cast<std::int32_t>(*rate);
  } else if (name == "--seek") {
    const auto seek = value.empty() || value[0] == '-' || value[0] == '+'
                          ? std::nullopt
                          : parseInteger(value, 0, std::numeric_limits<std::uint32_t>::max());
    if (!seek)
      return "--seek takes milliseconds from 0 to 4294967295, not '" + value + "'";
    options.seek = static_cast<std::uint32_t>(*seek);
  }
  return {};
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  ParsedCommandLine parsed;
  Options& options = parsed.options;
  bool help = false;
  bool version = false;
  bool optionsEnded = false;
  std::vector<std::string> sources;
  auto refuse = [&parsed](std::string why) {
    parsed.command = Command::UsageError;
    parsed.error = std::move(why);
    return parsed;
  };

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      sources.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (takesValue(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return refuse(name + " needs a value");
      }
      if (std::string why = applyValue(options, name, value); !why.empty())
        return refuse(why);
      continue;
    }
    if (equals != std::string::npos)
      return refuse(name + " takes no value");
    if (name == "--json") {
      options.json = true;
    } else if (name == "--header") {
      options.header = true;
    } else if (name == "--quiet") {
      options.quiet = true;
    } else if (name == "--realtime") {
      options.realtime = true;
    } else if (name == "--verbose") {
      options.verbose = true;
    } else if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--version") {
      version = true;
    } else {
      return refuse("unknown option '" + argument + "'");
    }
  }

  if (help) {
    parsed.command = Command::Help;
    return parsed;
  }
  if (version) {
    parsed.command = Command::Version;
    return parsed;
  }
  // The paced clock runs at the rate's speed: at 0 it would stand still and
  // the first entry not yet due would never be shown.
  if (options.realtime && options.rate == 0)
    return refuse("--realtime needs a rate other than 0: at rate 0 the clock stands still");
  if (sources.empty())
    return refuse("no SOURCE given");
  if (sources.size() > 1)
    return refuse("one SOURCE only; also got '" + sources[1] + "'");
  if (sources[0].empty())
    return refuse("SOURCE is empty");
  options.source = sources[0];
  return parsed;
}

// Each option starts its line; its description follows two spaces or more
// later, on the next line when the option is too wide.
std::string usageText() {
  return "Usage: quarn-ssa-play [OPTIONS] SOURCE\n"
         "Plays an SSA/ASS script through the quarn-ssa plug-in module and prints\n"
         "what its stream hands out. SOURCE is a file path or a URL.\n"
         "\n"
         "Options:\n"
         "  --plugin PATH                  the plug-in module to load (default:\n"
         "                                 libquarn_ssa.so beside this program, then\n"
         "                                 in ../lib/quarn/plugins/ from its folder)\n"
         "  --json                         JSON Lines instead of the human view\n"
         "  --header                       also print the format header\n"
         "  --override-embedded true|false\n"
         "                                 answer to setting CodePage/OverrideEmbedded;\n"
         "                                 false lets a byte-order mark decide\n"
         "  --codepage NAME                answer to setting CodePage/Name; auto: the\n"
         "                                 code page detected for a script that is not\n"
         "                                 UTF-8 and has no byte-order mark\n"
         "  --lang TAG                     preferred language (default: empty)\n"
         "  --rate N                       playback rate, 1000 is normal forward speed,\n"
         "                                 negative reads backwards (default 1000);\n"
         "                                 not 0 with --realtime\n"
         "  --seek MS                      seek to MS milliseconds before reading\n"
         "  --quiet                        print only the final count (or end line)\n"
         "  --realtime                     show each entry when the clock reaches it;\n"
         "                                 the clock runs at |N|/1000 of real speed,\n"
         "                                 backwards from the last entry's end (or\n"
         "                                 the seek) for a negative rate\n"
         "  --verbose                      the plug-in's own log on standard error\n"
         "  --trace FILE                   every call across the plug-in boundary as\n"
         "                                 JSON Lines in FILE (-: standard error)\n"
         "  -h, --help                     this text\n"
         "  --version                      the version\n"
         "\n"
         "Exit status: 0 played, 1 the source could not be opened or read,\n"
         "2 usage error, 3 the plug-in module could not be found or loaded.\n";
}

std::string versionText() {
  return "quarn-ssa-play " QUARN_PLAY_VERSION "\n";
}

}  // namespace QuarnPlay
