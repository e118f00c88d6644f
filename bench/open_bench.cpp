// Opening the generated scripts of 10,000 and 100,000 events (bench-scripts/
// in the build folder): time and heap allocations per event, with the
// process-wide logger absent, present but disabled, and enabled.
//
// The logger finds its library once per process through the normal dynamic
// loader search, so each state needs a process of its own: run without
// QUARN_BENCH_LOGGER, this program runs itself once per state with an
// environment that makes it so, and each run checks that it is so before
// it measures. Arguments are passed on to every run.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CountingNew.h"
#include "ScriptGenerator.h"
#include "framework/List.h"
#include "log/Logger.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

extern char** environ;

namespace {

constexpr const char* kModeVariable = "QUARN_BENCH_LOGGER";
constexpr const char* kModes[] = {"absent", "disabled", "enabled"};

void BM_Open(benchmark::State& state) {
  const auto events = static_cast<std::size_t>(state.range(0));
  const std::string path = QuarnBench::scriptPath(QUARN_BENCH_SCRIPTS_DIR, events, false);
  const Quarn::String<unsigned char> location(("file://" + path).c_str());
  Quarn::SourceDescriptor source;
  source.location = &location;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    state.SkipWithError("no script; run open_bench without QUARN_BENCH_LOGGER");
  const char* log = std::getenv("QUARN_LOG");
  Quarn::Testing::FakePluginHost pluginHost;
  Quarn::Testing::FakeContainerHost host;
  long allocated = 0;
  for (auto _ : state) {
    Quarn::SSAContainer container(&pluginHost);
    container.setHost(&host, 1);
    const long before = QuarnBench::allocations;
    if (container.open(&source) != Quarn::ResultOk)
      state.SkipWithError("open failed");
    allocated += QuarnBench::allocations - before;
    state.PauseTiming();
    container.closeStreams(false);
    container.discardHeader();
    host.destroyRemovedStreams();
    // The log would otherwise grow by tens of megabytes an iteration.
    if (log != nullptr && truncate(log, 0) != 0)
      state.SkipWithError("cannot empty the log");
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(info.st_size));
  state.counters["allocs_per_event"] =
      static_cast<double>(allocated) / static_cast<double>(state.iterations() * events);
}

// True when the process-wide logger is in the state this run was made for.
bool loggerIs(const std::string& mode) {
  const Quarn::Logger& logger = Quarn::Logger::instance();
  if (mode == "absent")
    return !logger.hasLibrary();
  if (mode == "disabled")
    return logger.hasLibrary() && !logger.isEnabled();
  return mode == "enabled" && logger.hasLibrary() && logger.isEnabled();
}

// Runs this program once per logger state; the first failure is the result.
int runEachMode(char** argv) {
  for (std::size_t events : {10000u, 100000u}) {
    bool written = false;
    std::string error;
    if (!QuarnBench::ensureScripts(QUARN_BENCH_SCRIPTS_DIR, events, &written, &error)) {
      std::fprintf(stderr, "open_bench: %s\n", error.c_str());
      return 1;
    }
  }
  const char* libraryPath = std::getenv("LD_LIBRARY_PATH");
  const std::string log = "/tmp/quarn-open-bench-" + std::to_string(getpid()) + ".log";
  for (const std::string mode : kModes) {
    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name != "QUARN_LOG" && name != "LD_LIBRARY_PATH" && name != kModeVariable)
        variables.push_back(entry);
    }
    variables.push_back(std::string(kModeVariable) + "=" + mode);
    if (mode != "absent") {
      variables.push_back(std::string("LD_LIBRARY_PATH=") + QUARN_LOGGING_DIR +
                          (libraryPath != nullptr ? std::string(":") + libraryPath : ""));
    }
    if (mode == "enabled")
      variables.push_back("QUARN_LOG=" + log);
    std::vector<char*> env;
    for (std::string& v : variables)
      env.push_back(v.data());
    env.push_back(nullptr);
    std::fflush(stdout);
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, env.data()) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "open_bench: the run with the logger %s failed\n", mode.c_str());
      std::remove(log.c_str());
      return 1;
    }
  }
  std::remove(log.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = std::getenv(kModeVariable);
  if (mode == nullptr)
    return runEachMode(argv);
  if (!loggerIs(mode)) {
    std::fprintf(stderr, "open_bench: the logger is not %s in this process\n", mode);
    return 1;
  }
  benchmark::RegisterBenchmark((std::string("BM_Open/logger:") + mode).c_str(), BM_Open)
      ->Arg(10000)
      ->Arg(100000)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
