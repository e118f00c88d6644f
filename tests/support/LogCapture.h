// Captures what the process-wide logger writes while the object lives, by
// pointing the reference logging library (found beside the tests) at a
// temporary file.
#pragma once

#include <string>
#include <vector>

namespace Quarn::Testing {

/// One written line, split as "category function:line message".
struct LogLine {
  std::string category;
  std::string function;
  int line = 0;
  std::string message;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  /// True when the process-wide logger has a library to write through.
  static bool available();
  /// Every line written since construction.
  std::vector<LogLine> lines() const;
  /// The messages of lines() only.
  std::vector<std::string> messages() const;

 private:
  std::string path_;
};

}  // namespace Quarn::Testing
