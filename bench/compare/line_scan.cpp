// The floor of compare_bench: what any reader of the script must at least
// do. Reads the file into memory and counts its lines with memchr.
//
//   line_scan [--utf16le] FILE
//
// With --utf16le only a 0A 00 pair at an even offset counts as a line end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv) {
  const bool utf16 = argc == 3 && std::string(argv[1]) == "--utf16le";
  if (argc != 2 && !utf16) {
    std::fprintf(stderr, "usage: line_scan [--utf16le] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    std::fprintf(stderr, "line_scan: cannot open %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  std::unique_ptr<char[]> bytes(new char[size + 1]);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, bytes.get() + got, size - got);
    if (n <= 0)
      break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got != size) {
    std::fprintf(stderr, "line_scan: short read of %s\n", path);
    return 1;
  }
  std::size_t lines = 0;
  const char* at = bytes.get();
  const char* end = at + size;
  while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
    const char* p = static_cast<const char*>(found);
    if (!utf16 || ((p - bytes.get()) % 2 == 0 && p + 1 < end && p[1] == 0))
      ++lines;
    at = p + 1;
  }
  std::printf("%zu lines\n", lines);
  return 0;
}
