// The private temporary file a script's bytes are collected into when the
// parser's upstream names no local file: the plug-in opens locations, not
// streams. Removed with the object.
#pragma once

#include <cstddef>
#include <string>

namespace QuarnGst {

class ScratchScript {
 public:
  ScratchScript() = default;
  ~ScratchScript();
  ScratchScript(const ScratchScript&) = delete;
  ScratchScript& operator=(const ScratchScript&) = delete;

  /// Creates an empty file, readable by this user only, in the temporary
  /// folder, its name ending in `extension` (".ass" or ".ssa"), so that the
  /// plug-in accepts it. False, with `error` set, when it cannot.
  bool create(const std::string& extension, std::string& error);
  /// Appends `size` bytes; false, with `error` set, when they cannot be
  /// written whole.
  bool append(const void* data, std::size_t size, std::string& error);
  /// Closes the file for writing; the path stays until the object goes.
  bool finish(std::string& error);

  bool created() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace QuarnGst
