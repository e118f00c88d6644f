// Portable half of fileUrlToPath; the conversion itself lives in the
// per-platform include below.
#include "platform/FileUrl.h"

#ifdef _WIN32
#include "platform/Windows/FileUrl.inc"
#else
#include "platform/Unix/FileUrl.inc"
#endif

namespace Quarn::Platform {

bool fileUrlToPath(std::string_view url, std::string& path) {
  std::string converted;
  if (url.empty() || !convertFileUrl(url, converted))
    return false;
  path = std::move(converted);
  return true;
}

}  // namespace Quarn::Platform
