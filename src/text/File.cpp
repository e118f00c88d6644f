#include "text/File.h"

#include "text/Utf.h"

namespace Quarn {

std::int32_t File::open(std::u16string path, std::int32_t mode) {
  if (file_.isOpen())
    return AlreadyOpen;
  if (mode < 0 || mode >= Platform::NativeFile::kModeCount)
    return BadMode;
  const std::string narrow = wideToUtf8(path);
  // An embedded zero would silently name a shorter path.
  if (narrow.empty() || narrow.find('\0') != std::string::npos)
    return Refused;
  return file_.open(narrow.c_str(), mode) ? Opened : Refused;
}

std::int64_t File::size() {
  const std::int64_t position = file_.seek(0, Platform::SeekFrom::Current);
  if (position < 0)
    return -1;
  const std::int64_t end = file_.seek(0, Platform::SeekFrom::End);
  file_.seek(position, Platform::SeekFrom::Begin);
  return end;
}

}  // namespace Quarn
