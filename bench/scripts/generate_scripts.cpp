// quarn-bench-scripts: writes the benchmark scripts (UTF-8 and UTF-16 LE
// with a mark, 10,000, 100,000 and 1,000,000 events) into a folder when they
// are missing, and with --stats prints the shape of each.
//
//   quarn-bench-scripts [--stats] [--events N[,N...]] [FOLDER]
//
// FOLDER defaults to bench-scripts/ beside this program; --help explains
// every option.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScriptGenerator.h"

namespace {

std::string besideProgram(const char* name) {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
    return name;
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/') + 1) + name;
}

bool parseCounts(const std::string& text, std::vector<std::size_t>& counts) {
  counts.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = text.find(',', at);
    const std::string item = text.substr(at, comma == std::string::npos ? comma : comma - at);
    char* end = nullptr;
    const unsigned long long n = std::strtoull(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || n == 0)
      return false;
    counts.push_back(static_cast<std::size_t>(n));
    if (comma == std::string::npos)
      break;
    at = comma + 1;
  }
  return !counts.empty();
}

constexpr const char* kUsage =
    "usage: quarn-bench-scripts [--stats] [--events N[,N...]] [FOLDER]\n";

void printHelp() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "\n"
      "Writes the scripts the benchmarks read, each only when it is missing: for\n"
      "each event count a UTF-8 script and a UTF-16 LE copy with a byte-order\n"
      "mark, byte-identical on every run. Prints \"wrote\" or \"present\" and the\n"
      "path of each.\n"
      "\n"
      "  FOLDER             where the scripts go (default: bench-scripts/ beside\n"
      "                     this program)\n"
      "  --events N[,N...]  the event counts, each above 0 (default:\n"
      "                     10000,100000,1000000)\n"
      "  --stats            also print the measured shape of each UTF-8 script:\n"
      "                     bytes, events, override tags, karaoke, commas in the\n"
      "                     text, start times out of order or equal\n"
      "  -h, --help         print this help and exit\n"
      "\n"
      "Exit status: 0 done, 1 a script could not be written or read, 2 usage\n"
      "error.\n",
      stdout);
}

double percent(std::size_t count, std::size_t whole) {
  return whole == 0 ? 0.0 : 100.0 * static_cast<double>(count) / static_cast<double>(whole);
}

}  // namespace

int main(int argc, char** argv) {
  bool stats = false;
  std::vector<std::size_t> counts = {10000, 100000, 1000000};
  std::string folder = besideProgram("bench-scripts");
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      printHelp();
      return 0;
    } else if (arg == "--stats") {
      stats = true;
    } else if (arg == "--events" && i + 1 < argc) {
      if (!parseCounts(argv[++i], counts)) {
        std::fprintf(stderr, "quarn-bench-scripts: --events takes counts like 10000,100000\n");
        return 2;
      }
    } else if (!arg.empty() && arg[0] != '-') {
      folder = arg;
    } else {
      std::fprintf(stderr, "quarn-bench-scripts: %s '%s'\n%s",
                   arg == "--events" ? "no counts after" : "unknown option", arg.c_str(), kUsage);
      return 2;
    }
  }

  for (std::size_t events : counts) {
    bool written = false;
    std::string error;
    if (!QuarnBench::ensureScripts(folder, events, &written, &error)) {
      std::fprintf(stderr, "quarn-bench-scripts: %s\n", error.c_str());
      return 1;
    }
    for (bool utf16 : {false, true})
      std::printf("%s %s\n", written ? "wrote  " : "present",
                  QuarnBench::scriptPath(folder, events, utf16).c_str());
    if (!stats)
      continue;
    const std::string path = QuarnBench::scriptPath(folder, events, false);
    const std::optional<QuarnBench::ScriptShape> shape = QuarnBench::measureScriptFile(path);
    if (!shape) {
      std::fprintf(stderr, "quarn-bench-scripts: cannot read %s\n", path.c_str());
      return 1;
    }
    const std::size_t n = shape->events();
    std::printf(
        "  %zu bytes, %zu events (%zu Dialogue, %zu Comment), %.1f bytes per event line\n"
        "  override tags %.1f%%, karaoke %.1f%%, commas in text %.1f%%, out of order %.1f%%, "
        "same start as the line before %.1f%%\n",
        shape->bytes, n, shape->dialogues, shape->comments,
        n == 0 ? 0.0 : static_cast<double>(shape->eventLineBytes) / static_cast<double>(n),
        percent(shape->tagged, n), percent(shape->karaoke, n), percent(shape->commas, n),
        percent(shape->outOfOrder, n), percent(shape->equalStarts, n));
  }
  return 0;
}
