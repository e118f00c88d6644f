// The peer contender of compare_bench: reads a script with libass, as a
// program using it would, and prints the number of events it kept.
//
//   libass_read FILE
//
// The file is read into memory here, inside the measured process, because
// our plug-in has to read the file too.
#include <ass/ass.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The whole file, or null with a message.
std::unique_ptr<char[]> readWhole(const char* path, std::size_t* size) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    std::fprintf(stderr, "libass_read: cannot open %s: %s\n", path, std::strerror(errno));
    if (fd >= 0)
      close(fd);
    return nullptr;
  }
  *size = static_cast<std::size_t>(info.st_size);
  std::unique_ptr<char[]> bytes(new char[*size + 1]);
  std::size_t got = 0;
  while (got < *size) {
    const ssize_t n = read(fd, bytes.get() + got, *size - got);
    if (n <= 0)
      break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got != *size) {
    std::fprintf(stderr, "libass_read: short read of %s\n", path);
    return nullptr;
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: libass_read FILE\n");
    return 2;
  }
  std::size_t size = 0;
  std::unique_ptr<char[]> bytes = readWhole(argv[1], &size);
  if (bytes == nullptr)
    return 1;
  ASS_Library* library = ass_library_init();
  if (library == nullptr) {
    std::fprintf(stderr, "libass_read: ass_library_init failed\n");
    return 1;
  }
  // No code page: the text is taken as UTF-8, as it is.
  ASS_Track* track = ass_read_memory(library, bytes.get(), size, nullptr);
  if (track == nullptr) {
    std::fprintf(stderr, "libass_read: ass_read_memory refused %s\n", argv[1]);
    ass_library_done(library);
    return 1;
  }
  std::printf("%d events\n", track->n_events);
  ass_free_track(track);
  ass_library_done(library);
  return 0;
}
