// A source file as the host would have read it, made in memory.
#pragma once

#include <string>

#include "Diagnosis.h"

namespace QuarnHost {

inline SourceFile sourceFileOf(const std::string& bytes,
                               const std::string& path = "/films/night ferry.ass") {
  SourceFile file;
  file.path = path;
  file.readable = true;
  file.size = bytes.size();
  file.bytes = bytes;
  return file;
}

}  // namespace QuarnHost
