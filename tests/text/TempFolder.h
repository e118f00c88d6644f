// A fresh temporary folder, removed with its contents when the object goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace Quarn::Testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    do
      path_ = std::filesystem::temp_directory_path() / ("quarn-" + std::to_string(random()));
    while (!std::filesystem::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

  /// Writes `bytes` to the file `name` in the folder; returns its full path.
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream((path_ / name).string(), std::ios::binary) << bytes;
    return (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace Quarn::Testing
