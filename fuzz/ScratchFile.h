// One script file per fuzzing process, in a folder of its own, rewritten for
// every input and removed at exit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"

namespace QuarnFuzz {

struct ScratchFile {
  /// `name` is the folder's prefix under TMPDIR (or /tmp).
  explicit ScratchFile(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    FUZZ_CHECK(mkdtemp(folder.data()) != nullptr);
    path = folder + "/fuzz.ass";
  }
  ~ScratchFile() {
    unlink(path.c_str());
    rmdir(folder.c_str());
  }
  void write(const std::uint8_t* data, std::size_t size) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr && std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
  }
  std::string folder, path;
};

}  // namespace QuarnFuzz
