// Runs the built player as a separate process and collects what it printed,
// for the suites that check the program as a user meets it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace Quarn::Testing {

struct PlayerRun {
  /// The exit status, 128 + the signal for a killed process, -1 when it could
  /// not be started or had to be stopped after the time limit.
  int status = -1;
  std::string out;
  std::string err;

  /// Standard output cut into lines, without their line breaks.
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
      result.push_back(line);
    return result;
  }
};

/// Whether a player built with the leak checker looks for leaks at exit. One
/// suite (player_leak_test.cpp) turns it on over every path, so that a leak
/// is reported once, by the test that names it, and not by every run.
enum class LeakCheck { Off, On };

/// The environment of the player: ours, with the leak check set as asked and
/// without QUARN_LOG, so that the plug-in logs only when a test asks for it.
inline std::vector<std::string> playerEnvironment(LeakCheck leaks) {
  const std::string setting = leaks == LeakCheck::On ? "detect_leaks=1" : "detect_leaks=0";
  std::vector<std::string> environment;
  bool found = false;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    if (text.rfind("QUARN_LOG=", 0) == 0)
      continue;
    if (text.rfind("ASAN_OPTIONS=", 0) == 0) {
      text += ":" + setting;  // the last setting of a flag wins
      found = true;
    }
    environment.push_back(std::move(text));
  }
  if (!found)
    environment.push_back("ASAN_OPTIONS=" + setting);
  return environment;
}

/// Runs `program` with `arguments` from `folder` (the test's own folder when
/// empty), with the player's environment and no input. A program that does
/// not finish within a minute is killed: a hang is a failure like any other.
inline PlayerRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& folder = {}, LeakCheck leaks = LeakCheck::Off) {
  const auto limit = std::chrono::seconds(60);
  PlayerRun run;
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0)
    return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argvText)
    argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> environmentText = playerEnvironment(leaks);
  std::vector<char*> envp;
  for (std::string& text : environmentText)
    envp.push_back(text.data());
  envp.push_back(nullptr);

  // posix_spawn has no portable way to change folder; a shell-free fork does.
  const pid_t pid = fork();
  if (pid == 0) {
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0)
      dup2(nothing, STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    if (!folder.empty() && chdir(folder.c_str()) != 0)
      _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }

  const auto deadline = std::chrono::steady_clock::now() + limit;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int openPipes = 2;
  bool killed = false;
  while (openPipes > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) < 0)
      continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --openPipes;
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0)
      close(fd.fd);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  if (killed)
    run.status = -1;
  else if (WIFEXITED(wstatus))
    run.status = WEXITSTATUS(wstatus);
  else if (WIFSIGNALED(wstatus))
    run.status = 128 + WTERMSIG(wstatus);
  return run;
}

/// Runs the player with `arguments`, as runProgram does.
inline PlayerRun runPlayer(const std::vector<std::string>& arguments,
                           const std::string& folder = {}, LeakCheck leaks = LeakCheck::Off) {
  return runProgram(QUARN_PLAY_PATH, arguments, folder, leaks);
}

/// A fresh folder for the scripts a test writes, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarn-play-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
      path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty())
      std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

  /// Writes `bytes` to `name` in the folder and returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::string path_;
};

}  // namespace Quarn::Testing
