// quarn-ssa-play: plays an SSA/ASS script through the plug-in module, as a
// stream engine would, and prints what the stream hands out.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Options.h"
#include "Player.h"
#include "Progress.h"
#include "Report.h"
#include "SourceLocation.h"

int main(int argc, char** argv) {
  using namespace QuarnPlay;
  const ParsedCommandLine parsed =
      parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (parsed.command) {
    case Command::Help:
      std::fputs(usageText().c_str(), stdout);
      return kExitPlayed;
    case Command::Version:
      std::fputs(versionText().c_str(), stdout);
      return kExitPlayed;
    case Command::UsageError:
      std::fprintf(stderr, "quarn-ssa-play: %s\nTry 'quarn-ssa-play --help'.\n",
                   parsed.error.c_str());
      return kExitUsage;
    case Command::Play:
      break;
  }

  const Options& options = parsed.options;
  std::string folder;
  if (!QuarnHost::startsWithUrlScheme(options.source) && options.source[0] != '/') {
    folder = QuarnHost::workingFolder();
    if (folder.empty()) {
      std::fprintf(stderr,
                   "quarn-ssa-play: the current folder is unknown; give an absolute path\n");
      return kExitUsage;
    }
  }
  Source source;
  source.location = QuarnHost::sourceToLocation(options.source, folder);

  // Paced output must reach the terminal line by line.
  std::unique_ptr<Report> report;
  if (options.json)
    report = std::make_unique<JsonReport>(stdout, options.quiet, options.realtime);
  else
    report = std::make_unique<HumanReport>(stdout, options.quiet, options.realtime);
  Console console;
  console.stdoutIsTerminal = isatty(STDOUT_FILENO) == 1;
  console.stderrIsTerminal = isatty(STDERR_FILENO) == 1;
  const char* term = std::getenv("TERM");
  console.dumbTerminal = term != nullptr && std::strcmp(term, "dumb") == 0;
  const int status = play(options, source, *report, stderr,
                          progressAllowed(console, options.json, options.quiet, options.verbose));
  if (std::fflush(stdout) != 0) {
    std::perror("quarn-ssa-play: standard output");
    return status == kExitPlayed ? kExitNotRead : status;
  }
  return status;
}
