#include "ModuleSearch.h"

#include <sys/stat.h>
#include <unistd.h>

namespace QuarnPlay {

ModuleSearch findModule(const std::string& playerFolder,
                        const std::function<bool(const std::string&)>& exists) {
  std::string folder = playerFolder;
  if (folder.empty() || folder.back() != '/')
    folder += '/';
  // The relative step is kept as it is: the loader follows it the same way
  // whatever links the prefix holds.
  ModuleSearch search;
  search.tried = {folder + kModuleName, folder + "../lib/quarn/plugins/" + kModuleName};
  for (const std::string& place : search.tried) {
    if (exists(place)) {
      search.found = place;
      break;
    }
  }
  return search;
}

std::string executableFolder() {
  std::string buffer(4096, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0)
      return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      break;
    }
    if (buffer.size() >= (1u << 20))
      return {};
    buffer.resize(buffer.size() * 2);
  }
  const std::size_t slash = buffer.rfind('/');
  if (slash == std::string::npos)
    return {};
  return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

bool isFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace QuarnPlay
