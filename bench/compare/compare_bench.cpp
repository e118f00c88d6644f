// compare_bench: our plug-in against libass on the same generated scripts,
// whole processes, in one run.
//
//   compare_bench [--rounds N] [--events N[,N...]] [--scripts FOLDER]
//                 [--player PATH] [--utf16-by-mark] [--strict]
//
// For each script the contenders run in turn, ours, libass, the floor, ours,
// ... for N rounds (default 5) on the same bytes from the page cache, each in
// a child process: wall time from spawn to reaping, and the child's peak
// resident set. Ours is the player host with --quiet (it drives the plug-in
// through its host interfaces); libass reads the UTF-8 copy of each script
// with ass_read_memory; the floor reads the file and counts its lines.
// Every run's output is checked against the script's known counts.
//
// The UTF-16 copy is read with --codepage UTF-16LE, as a host that knows the
// encoding would: its mark then decodes to a U+FEFF at the head of the
// header, which changes no entry (checked at the end against the UTF-8
// copy). --utf16-by-mark uses --override-embedded false instead.
//
// The UTF-8 script of 1,000,000 events also gets the row "+thread": in the
// same rounds, the player once more with libquarn_bench_host_thread.so
// preloaded (in that child's environment only), which gives the process a
// second thread that only waits, as every host has; glibc's allocator and
// stdio then leave their single-thread paths. It is compared with the same
// libass runs. Before the rounds, one untimed run of each player is watched
// through /proc/PID/status: the preloaded one must show a thread more.
//
// Exit status: 0 measured (targets missed are reported, not failures, unless
// --strict), 1 a contender failed or miscounted, 2 usage.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ScriptGenerator.h"

namespace {

using QuarnBench::ChildRun;

struct Options {
  std::string folder;
  std::string player;
  std::vector<std::size_t> events = {10000, 100000, 1000000};
  int rounds = 5;
  bool utf16ByMark = false;
  bool strict = false;
};

/// One measured script: what ours reads, and the UTF-8 copy libass reads.
struct Row {
  std::string label;
  std::size_t events = 0;
  bool utf16 = false;
  std::string file;
  std::string utf8File;
  double fileBytes = 0;
  QuarnBench::ScriptShape shape;
  std::vector<double> ours, libass, floor;
  std::vector<long> oursRss, libassRss;
  /// The player with a second host thread alive, measured in the same rounds.
  bool withHostThread = false;
  std::vector<double> oursThread;
  std::vector<long> oursThreadRss;
};

/// The script that also gets the row with a host thread alive.
constexpr std::size_t kHostThreadEvents = 1000000;
const char* const kHostThreadLibrary = "libquarn_bench_host_thread.so";

std::string folderOfProgram() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
    return ".";
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

bool parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--rounds" && hasValue) {
      o.rounds = std::atoi(argv[++i]);
      if (o.rounds < 1)
        return false;
    } else if (arg == "--events" && hasValue) {
      o.events.clear();
      for (const char* p = argv[++i]; *p != '\0';) {
        char* end = nullptr;
        const unsigned long long n = std::strtoull(p, &end, 10);
        if (end == p || n == 0 || (*end != ',' && *end != '\0'))
          return false;
        o.events.push_back(static_cast<std::size_t>(n));
        p = *end == ',' ? end + 1 : end;
      }
    } else if (arg == "--scripts" && hasValue) {
      o.folder = argv[++i];
    } else if (arg == "--player" && hasValue) {
      o.player = argv[++i];
    } else if (arg == "--utf16-by-mark") {
      o.utf16ByMark = true;
    } else if (arg == "--strict") {
      o.strict = true;
    } else {
      return false;
    }
  }
  return !o.events.empty();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double medianRss(const std::vector<long>& v) {
  return median(std::vector<double>(v.begin(), v.end()));
}

double mib(double kib) {
  return kib / 1024.0;
}

// Reads a file through in pieces so that the page cache holds it.
bool warm(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  std::vector<char> piece(1u << 20);
  while (std::fread(piece.data(), 1, piece.size(), file) == piece.size()) {
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// The parent of process `pid`, or 0.
long parentOf(long pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 5, "PPid:") == 0)
      return std::strtol(line.c_str() + 5, nullptr, 10);
  }
  return 0;
}

/// Other heavy programs running now (compilers, linkers, build tools), by
/// name; the chain of processes that started this one (make bench) is not
/// counted.
std::vector<std::string> busyNeighbours() {
  static const char* const kHeavy[] = {"ninja", "make",     "cmake",          "cc1plus", "cc1",
                                       "ld",    "clang",    "clang++",        "lld",     "ctest",
                                       "perf",  "valgrind", "memcheck-amd64-"};
  std::vector<long> ancestors;
  for (long pid = getpid(); pid > 1; pid = parentOf(pid))
    ancestors.push_back(pid);
  std::vector<std::string> found;
  DIR* proc = opendir("/proc");
  if (proc == nullptr)
    return found;
  while (const dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
      continue;
    const long pid = std::strtol(entry->d_name, nullptr, 10);
    if (std::find(ancestors.begin(), ancestors.end(), pid) != ancestors.end())
      continue;
    std::ifstream comm(std::string("/proc/") + entry->d_name + "/comm");
    std::string name;
    std::getline(comm, name);
    for (const char* heavy : kHeavy)
      if (name == heavy)
        found.push_back(name);
  }
  closedir(proc);
  return found;
}

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The count a contender printed first on its output, if any.
std::optional<std::size_t> leadingCount(const std::string& out) {
  char* end = nullptr;
  const unsigned long long n = std::strtoull(out.c_str(), &end, 10);
  if (end == out.c_str())
    return std::nullopt;
  return static_cast<std::size_t>(n);
}

class Bench {
 public:
  Bench(Options options, std::string tools)
      : options_(std::move(options)),
        tools_(std::move(tools)),
        environment_(QuarnBench::environmentWithout({"QUARN_LOG"})),
        hostThreadEnvironment_(QuarnBench::environmentWithout({"QUARN_LOG", "LD_PRELOAD"})) {
    hostThreadEnvironment_.push_back("LD_PRELOAD=" + hostThreadLibrary());
  }

  std::string hostThreadLibrary() const { return tools_ + "/" + kHostThreadLibrary; }

  bool prepare(std::vector<Row>& rows);
  bool measure(Row& row);
  bool checkUtf16Entries(const Row& row);

 private:
  std::vector<std::string> oursCommand(const Row& row) const {
    std::vector<std::string> c = {options_.player, "--quiet"};
    if (row.utf16) {
      if (options_.utf16ByMark) {
        c.push_back("--override-embedded");
        c.push_back("false");
      } else {
        c.push_back("--codepage");
        c.push_back("UTF-16LE");
      }
    }
    c.push_back(row.file);
    return c;
  }
  // One run, checked: false (with a message) on failure or a wrong count.
  bool runChecked(const std::vector<std::string>& command, std::size_t expected, ChildRun& run,
                  bool hostThread = false, bool watchThreads = false);
  // One untimed run of the player without and one with the host thread,
  // watched: false (with a message) unless the second shows a thread more.
  bool checkHostThread(const Row& row);

  Options options_;
  std::string tools_;
  std::vector<std::string> environment_;
  std::vector<std::string> hostThreadEnvironment_;
};

bool Bench::runChecked(const std::vector<std::string>& command, std::size_t expected, ChildRun& run,
                       bool hostThread, bool watchThreads) {
  run = QuarnBench::runChild(command, hostThread ? hostThreadEnvironment_ : environment_,
                             watchThreads);
  std::string why = run.failure();
  if (why.empty()) {
    const std::optional<std::size_t> count = leadingCount(run.out);
    if (!count || *count != expected)
      why = "printed \"" + run.out.substr(0, run.out.find('\n')) + "\", expected " +
            std::to_string(expected);
  }
  if (why.empty())
    return true;
  std::string line;
  for (const std::string& word : command)
    line += word + " ";
  std::fprintf(stderr, "compare_bench: %s%s: %s\n",
               hostThread ? ("LD_PRELOAD=" + hostThreadLibrary() + " ").c_str() : "", line.c_str(),
               why.c_str());
  return false;
}

bool Bench::checkHostThread(const Row& row) {
  ChildRun plain, threaded;
  const std::vector<std::string> ours = oursCommand(row);
  if (!runChecked(ours, row.shape.events(), plain, false, true) ||
      !runChecked(ours, row.shape.events(), threaded, true, true))
    return false;
  const bool ok = plain.mostThreads > 0 && threaded.mostThreads > plain.mostThreads;
  std::printf(
      "check: the player showed %d thread(s) at most reading %s, %d with %s preloaded\n"
      "       (/proc/PID/status read every 0.1 ms while it ran)%s\n",
      plain.mostThreads, row.file.c_str(), threaded.mostThreads, kHostThreadLibrary,
      ok ? "" : ": NO HOST THREAD SEEN, the +thread row would mean nothing");
  return ok;
}

bool Bench::prepare(std::vector<Row>& rows) {
  std::vector<std::string> generate = {tools_ + "/quarn-bench-scripts", "--events", ""};
  for (std::size_t n : options_.events)
    generate[2] += (generate[2].empty() ? "" : ",") + std::to_string(n);
  generate.push_back(options_.folder);
  const ChildRun made = QuarnBench::runChild(generate, environment_);
  if (!made.succeeded()) {
    std::fprintf(stderr, "compare_bench: generating the scripts failed: %s\n",
                 made.failure().c_str());
    return false;
  }
  std::fputs(made.out.c_str(), stdout);
  for (std::size_t n : options_.events) {
    const std::string utf8 = QuarnBench::scriptPath(options_.folder, n, false);
    // Measuring reads the UTF-8 copy through, which also warms the cache.
    const std::optional<QuarnBench::ScriptShape> shape = QuarnBench::measureScriptFile(utf8);
    if (!shape || shape->events() != n) {
      std::fprintf(stderr, "compare_bench: %s does not hold %zu events\n", utf8.c_str(), n);
      return false;
    }
    const std::string size = utf8.substr(utf8.rfind("events-") + 7);
    for (bool utf16 : {false, true}) {
      Row row;
      row.label = size.substr(0, size.find('.')) + (utf16 ? " UTF-16LE" : " UTF-8");
      row.events = n;
      row.utf16 = utf16;
      row.file = QuarnBench::scriptPath(options_.folder, n, utf16);
      row.utf8File = utf8;
      row.shape = *shape;
      row.withHostThread = !utf16 && n == kHostThreadEvents;
      std::ifstream in(row.file, std::ios::binary | std::ios::ate);
      row.fileBytes = static_cast<double>(in.tellg());
      rows.push_back(row);
    }
  }
  const bool anyHostThread =
      std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.withHostThread; });
  if (anyHostThread && access(hostThreadLibrary().c_str(), R_OK) != 0) {
    std::fprintf(stderr, "compare_bench: %s is missing (it is built with compare_bench)\n",
                 hostThreadLibrary().c_str());
    return false;
  }
  return true;
}

bool Bench::measure(Row& row) {
  if (!warm(row.file) || !warm(row.utf8File)) {
    std::fprintf(stderr, "compare_bench: cannot read %s\n", row.file.c_str());
    return false;
  }
  const std::vector<std::string> ours = oursCommand(row);
  const std::vector<std::string> libass = {tools_ + "/libass_read", row.utf8File};
  std::vector<std::string> scan = {tools_ + "/line_scan", row.file};
  if (row.utf16)
    scan.insert(scan.begin() + 1, "--utf16le");
  // libass keeps Dialogue lines only; the plug-in serves Comment lines too.
  const std::size_t oursCount = row.shape.events();
  const std::size_t libassCount = row.shape.dialogues;
  const std::size_t lines = row.shape.lines;

  // One untimed pass loads the programs and their libraries into the cache.
  ChildRun run;
  // The script with a host thread row has its player runs watched instead.
  if (!(row.withHostThread ? checkHostThread(row) : runChecked(ours, oursCount, run)) ||
      !runChecked(libass, libassCount, run) || !runChecked(scan, lines, run))
    return false;
  auto timed = [&](const std::vector<std::string>& command, std::size_t expected,
                   bool hostThread = false) {
    return runChecked(command, expected, run, hostThread);
  };
  for (int round = 0; round < options_.rounds; ++round) {
    if (!timed(ours, oursCount))
      return false;
    row.ours.push_back(run.seconds);
    row.oursRss.push_back(run.peakRssKiB);
    if (row.withHostThread) {
      if (!timed(ours, oursCount, true))
        return false;
      row.oursThread.push_back(run.seconds);
      row.oursThreadRss.push_back(run.peakRssKiB);
    }
    if (!timed(libass, libassCount))
      return false;
    row.libass.push_back(run.seconds);
    row.libassRss.push_back(run.peakRssKiB);
    if (!timed(scan, lines))
      return false;
    row.floor.push_back(run.seconds);
  }
  return true;
}

// The entries read from the UTF-16 file must be those of its UTF-8 copy.
bool Bench::checkUtf16Entries(const Row& row) {
  auto entries = [this](std::vector<std::string> command, std::string& text) {
    command.insert(command.begin() + 1, "--json");
    command.erase(std::find(command.begin(), command.end(), "--quiet"));
    const ChildRun run = QuarnBench::runChild(command, environment_);
    if (!run.succeeded())
      return false;
    for (std::size_t at = run.out.find("{\"event\":\"chunk\""); at != std::string::npos;
         at = run.out.find("{\"event\":\"chunk\"", at + 1))
      text += run.out.substr(at, run.out.find('\n', at) - at + 1);
    return true;
  };
  Row utf8 = row;
  utf8.utf16 = false;
  utf8.file = row.utf8File;
  std::string fromUtf16, fromUtf8;
  const bool ok = entries(oursCommand(row), fromUtf16) && entries(oursCommand(utf8), fromUtf8) &&
                  !fromUtf8.empty() && fromUtf16 == fromUtf8;
  std::printf("check: the entries of %s %s those of its UTF-8 copy\n", row.file.c_str(),
              ok ? "equal" : "DIFFER FROM");
  return ok;
}

std::string threadLabel(const Row& r) {
  return r.label + " +thread";
}

void printTable(const std::vector<Row>& rows) {
  std::printf("\n%-17s %9s %9s %9s %11s %8s %22s %11s %9s\n", "script", "events", "ours ms",
              "libass ms", "ours/libass", "floor ms", "ours peak RSS", "libass RSS", "ours us/ev");
  auto line = [](const Row& r, const std::string& label, const std::vector<double>& oursRuns,
                 const std::vector<long>& oursRss) {
    const double ours = median(oursRuns);
    const double libass = median(r.libass);
    const double rss = medianRss(oursRss);
    char peak[64];
    std::snprintf(peak, sizeof peak, "%.1f MiB %5.2fx UTF-8", mib(rss),
                  rss * 1024.0 / static_cast<double>(r.shape.bytes));
    std::printf("%-17s %9zu %9.1f %9.1f %11.2f %8.1f %22s %7.1f MiB %9.2f\n", label.c_str(),
                r.events, ours * 1e3, libass * 1e3, ours / libass, median(r.floor) * 1e3, peak,
                mib(medianRss(r.libassRss)), ours * 1e6 / static_cast<double>(r.events));
  };
  for (const Row& r : rows) {
    line(r, r.label, r.ours, r.oursRss);
    if (!r.oursThread.empty())
      line(r, threadLabel(r), r.oursThread, r.oursThreadRss);
  }
  std::printf(
      "medians of the rounds; libass reads the UTF-8 copy of every script; \"x UTF-8\" is the\n"
      "peak resident set over the size of the UTF-8 copy; floor: read the file, count lines;\n"
      "+thread: ours with a second host thread alive, against the same libass runs.\n"
      "\nevery run in order (ms):\n");
  auto runs = [](const std::vector<double>& v) {
    std::string text;
    char one[24];
    for (double seconds : v) {
      std::snprintf(one, sizeof one, " %.1f", seconds * 1e3);
      text += one;
    }
    return text;
  };
  for (const Row& r : rows) {
    const std::string threaded =
        r.oursThread.empty() ? std::string() : " | +thread" + runs(r.oursThread);
    std::printf("%-17s ours%s%s | libass%s | floor%s\n", r.label.c_str(), runs(r.ours).c_str(),
                threaded.c_str(), runs(r.libass).c_str(), runs(r.floor).c_str());
  }
}

/// Prints each target that the measured rows allow; returns the number missed.
int printTargets(const std::vector<Row>& rows) {
  int missed = 0;
  std::printf("\ntargets:\n");
  auto verdict = [&missed](const std::string& label, const char* what, double value, double goal) {
    const bool pass = value <= goal;
    missed += pass ? 0 : 1;
    std::printf("  %-17s %-38s %6.2f <= %4.2f  %s\n", label.c_str(), what, value, goal,
                pass ? "PASS" : "FAIL");
  };
  for (const Row& r : rows) {
    const double libass = median(r.libass);
    const double ratio = median(r.ours) / libass;
    const double rss = medianRss(r.oursRss) * 1024.0 / r.fileBytes;
    if (!r.utf16 && r.events == 10000)
      verdict(r.label, "time ours/libass", ratio, 0.35);
    if (!r.utf16 && (r.events == 100000 || r.events == 1000000))
      verdict(r.label, "time ours/libass", ratio, 0.25);
    if (!r.oursThread.empty())
      verdict(threadLabel(r), "time ours/libass, host thread alive", median(r.oursThread) / libass,
              0.30);
    if (r.utf16 && r.events == 1000000)
      verdict(r.label, "time ours / libass on the UTF-8 copy", ratio, 0.30);
    if (!r.utf16 && r.events == 1000000)
      verdict(r.label, "peak RSS ours / UTF-8 file", rss, 1.3);
    if (r.utf16 && r.events == 1000000)
      verdict(r.label, "peak RSS ours / UTF-16 file", rss, 0.7);
  }
  return missed;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: compare_bench [--rounds N] [--events N[,N...]] [--scripts FOLDER]\n"
                 "                     [--player PATH] [--utf16-by-mark] [--strict]\n");
    return 2;
  }
  const std::string tools = folderOfProgram();
  if (options.folder.empty())
    options.folder = tools + "/bench-scripts";
  if (options.player.empty())
    options.player = tools + "/quarn-ssa-play";

  const std::vector<std::string> busy = busyNeighbours();
  std::printf("compare_bench: %d rounds; load average %s\n", options.rounds, loadAverage().c_str());
  if (!busy.empty()) {
    std::string names;
    for (const std::string& n : busy)
      names += " " + n;
    std::printf("warning: other heavy programs are running (%s ); timings will be noisy\n",
                names.c_str() + 1);
  }
  std::printf("ours: %s --quiet%s; QUARN_LOG is removed from the children's environment\n",
              options.player.c_str(),
              options.utf16ByMark ? " (UTF-16: --override-embedded false)"
                                  : " (UTF-16: --codepage UTF-16LE)");
  std::printf("ours +thread: the same with LD_PRELOAD=%s/%s\n", tools.c_str(), kHostThreadLibrary);

  Bench bench(options, tools);
  std::vector<Row> rows;
  if (!bench.prepare(rows))
    return 1;
  for (Row& row : rows) {
    std::printf("measuring %s ...\n", row.label.c_str());
    std::fflush(stdout);
    if (!bench.measure(row))
      return 1;
  }
  // The kernel counts the address space a child leaves at exec, this
  // launcher's, into the child's ru_maxrss: no peak below reads lower.
  std::printf("this launcher's peak RSS is %.1f MiB: no child's peak RSS can read lower\n",
              mib(static_cast<double>(QuarnBench::ownPeakRssKiB())));
  printTable(rows);
  const int missed = printTargets(rows);
  // After the measurements: the check reads whole outputs into this process.
  const std::size_t smallest = *std::min_element(options.events.begin(), options.events.end());
  for (const Row& row : rows) {
    if (row.utf16 && row.events == smallest && !bench.checkUtf16Entries(row))
      return 1;
  }
  return options.strict && missed > 0 ? 1 : 0;
}
