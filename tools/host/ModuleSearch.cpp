#include "ModuleSearch.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace QuarnHost {

ModuleSearch findModule(const std::string& folder, const std::vector<std::string>& places,
                        const std::function<bool(const std::string&)>& exists) {
  std::string base = folder;
  if (base.empty() || base.back() != '/')
    base += '/';
  ModuleSearch search;
  for (const std::string& place : places) {
    search.tried.push_back(base + place);
    if (search.found.empty() && exists(search.tried.back()))
      search.found = search.tried.back();
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

std::string folderOfCode(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
    return {};
  const std::string file = info.dli_fname;
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos)
    return {};
  return slash == 0 ? std::string("/") : file.substr(0, slash);
}

bool isFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace QuarnHost
