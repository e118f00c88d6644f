// An open operating-system file. Only regular files are ever opened: a
// directory, FIFO, socket or device is refused exactly like a file that does
// not exist, so that no read can block or run forever.
#pragma once

#include <cstdint>

namespace Quarn::Platform {

enum class SeekFrom { Begin, Current, End };

class NativeFile {
 public:
  /// Open modes 0 to 7: 0 read only, existing file; 1 write, create or
  /// truncate; 2 write, create new; 3 read-write, create or truncate;
  /// 4 read-write, open or create; 5 read-write, create new; 6 write, open or
  /// create, positioned at the end; 7 read-write, open or create, positioned
  /// at the end. New files get permissions 0644 (less the umask).
  static constexpr int kModeCount = 8;

  NativeFile() = default;
  /// Closes the file if one is open.
  ~NativeFile();

  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  /// Opens `path` (zero-terminated, in the file system's encoding) in `mode`.
  /// False when the object is already open, the mode is out of range, or the
  /// system refuses or the target is not a regular file; the object then
  /// stays as it was.
  bool open(const char* path, int mode);

  bool isOpen() const { return descriptor_ >= 0; }

  /// Moves the position; returns the new position from the start, or -1 on
  /// failure (position unchanged) or when closed.
  std::int64_t seek(std::int64_t offset, SeekFrom from);

  /// Reads up to `count` bytes into `buffer`, repeating short reads until
  /// `count` bytes or the end of the file. Returns the number of bytes read,
  /// or -1 when a read fails or the file is closed.
  std::int64_t read(void* buffer, std::int64_t count);

  void close();

 private:
  int descriptor_ = -1;
};

}  // namespace Quarn::Platform
