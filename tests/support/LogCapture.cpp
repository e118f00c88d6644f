#include "support/LogCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "log/Logger.h"

namespace Quarn::Testing {

LogCapture::LogCapture() {
  char name[] = "/tmp/quarn-log-XXXXXX";
  const int fd = mkstemp(name);
  if (fd >= 0)
    close(fd);
  path_ = name;
  setenv("QUARN_LOG", path_.c_str(), 1);
}

LogCapture::~LogCapture() {
  unsetenv("QUARN_LOG");
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
