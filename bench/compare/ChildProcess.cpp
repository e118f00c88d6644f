#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char** environ;

namespace QuarnBench {
namespace {

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string readBack(int fd) {
  std::string text;
  if (lseek(fd, 0, SEEK_SET) != 0)
    return text;
  char piece[4096];
  for (ssize_t n; (n = read(fd, piece, sizeof piece)) > 0;)
    text.append(piece, static_cast<std::size_t>(n));
  return text;
}

// The Threads: line of /proc/PID/status, or 0 once the process is gone.
int threadsOf(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 8, "Threads:") == 0)
      return static_cast<int>(std::strtol(line.c_str() + 8, nullptr, 10));
  }
  return 0;
}

// Closes the descriptor when the run is over, whatever happened.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0)
      close(fd);
  }
};

}  // namespace

bool ChildRun::succeeded() const {
  return started && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ChildRun::failure() const {
  if (!started)
    return error;
  std::string why;
  if (WIFSIGNALED(status))
    why = "killed by signal " + std::to_string(WTERMSIG(status));
  else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
    why = "exit status " + std::to_string(WEXITSTATUS(status));
  else
    return {};
  return why + (err.empty() ? std::string() : ": " + err.substr(0, 400));
}

ChildRun runChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  bool watchThreads) {
  ChildRun run;
  Descriptor out{memfd_create("child-out", MFD_CLOEXEC)};
  Descriptor err{memfd_create("child-err", MFD_CLOEXEC)};
  if (out.fd < 0 || err.fd < 0) {
    run.error = std::string("memfd_create: ") + std::strerror(errno);
    return run;
  }
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (const std::string& e : environment)
    env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // dup2 clears close-on-exec on the copies only.
  posix_spawn_file_actions_adddup2(&actions, out.fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err.fd, 2);

  pid_t pid = 0;
  const double start = now();
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    run.error = "cannot start " + argv[0] + ": " + std::strerror(spawned);
    return run;
  }
  rusage usage{};
  pid_t reaped = 0;
  // posix_spawn returns once the child has started the new program, so every
  // count read here is the program's own.
  const timespec pause{0, 100000};
  for (;;) {
    reaped = wait4(pid, &run.status, watchThreads ? WNOHANG : 0, &usage);
    if (reaped != 0 && !(reaped < 0 && errno == EINTR))
      break;
    if (reaped == 0) {
      run.mostThreads = std::max(run.mostThreads, threadsOf(pid));
      nanosleep(&pause, nullptr);
    }
  }
  run.seconds = now() - start;
  if (reaped != pid) {
    run.error = std::string("wait4: ") + std::strerror(errno);
    return run;
  }
  run.started = true;
  run.peakRssKiB = usage.ru_maxrss;
  run.out = readBack(out.fd);
  run.err = readBack(err.fd);
  return run;
}

std::vector<std::string> environmentWithout(const std::vector<std::string>& drop) {
  std::vector<std::string> kept;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool dropped = false;
    for (const std::string& d : drop)
      dropped = dropped || name == d;
    if (!dropped)
      kept.push_back(entry);
  }
  return kept;
}

long ownPeakRssKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0)
      return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

}  // namespace QuarnBench
