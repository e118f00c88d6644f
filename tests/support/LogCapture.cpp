#include "support/LogCapture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "log/Logger.h"
#include "log/LoggingLibrary.h"

namespace Quarn::Testing {
namespace {

// The reference library reads QUARN_LOG when it is loaded and when it is
// configured; a capture that changes the variable asks it to read again.
void reconfigure() {
  Logger::instance();  // loads the library, if there is one
  void* library = dlopen(kLoggingLibraryName, RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr)
    return;
  if (auto configure =
          reinterpret_cast<QuarnLogConfigureFunction>(dlsym(library, "QuarnLog_configure")))
    configure();
  dlclose(library);
}

}  // namespace

LogCapture::LogCapture() {
  char name[] = "/tmp/quarn-log-XXXXXX";
  const int fd = mkstemp(name);
  if (fd >= 0)
    close(fd);
  path_ = name;
  setenv("QUARN_LOG", path_.c_str(), 1);
  reconfigure();
}

LogCapture::~LogCapture() {
  unsetenv("QUARN_LOG");
  reconfigure();
  std::remove(path_.c_str());
}

bool LogCapture::available() {
  return Logger::instance().hasLibrary();
}

std::vector<LogLine> LogCapture::lines() const {
  std::vector<LogLine> result;
  std::ifstream in(path_);
  std::string text;
  while (std::getline(in, text)) {
    // Function names hold spaces and "::"; the line number is the first
    // ":<digits> " after the category.
    static const std::regex pattern(R"(^(\S+) (.*?):(\d+) (.*)$)");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) {
      result.push_back(LogLine{"", "", 0, text});
      continue;
    }
    result.push_back(LogLine{match[1], match[2], std::atoi(match[3].str().c_str()), match[4]});
  }
  return result;
}

std::vector<std::string> LogCapture::messages() const {
  std::vector<std::string> result;
  for (const LogLine& line : lines())
    result.push_back(line.message);
  return result;
}

}  // namespace Quarn::Testing
