// A file opened by a UTF-16 path in one of eight modes, with a 64-bit size
// query. Used to learn the size of a source without reading it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/NativeFile.h"

namespace Quarn {

class File {
 public:
  /// What open reports.
  enum OpenResult : std::int32_t {
    Opened = 0,
    AlreadyOpen = 1,  // the object holds a file; nothing was done
    Refused = 2,      // the system refused, or the target is no regular file
    BadMode = 3,      // the mode is not 0 to 7
  };

  File() = default;
  /// Closes the file if one is open.
  virtual ~File() = default;

  File(const File&) = delete;
  File& operator=(const File&) = delete;

  /// Opens `path` in `mode` (Platform::NativeFile lists the modes; 0 is read
  /// only). A path that is not valid UTF-16 is refused.
  std::int32_t open(std::u16string path, std::int32_t mode);

  bool isOpen() const { return file_.isOpen(); }

  /// The file's length in bytes, leaving the position where it was; -1 when
  /// no file is open or the length cannot be read.
  std::int64_t size();

 private:
  Platform::NativeFile file_;
};

}  // namespace Quarn
