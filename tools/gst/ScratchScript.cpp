#include "ScratchScript.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace QuarnGst {

ScratchScript::~ScratchScript() {
  if (fd_ >= 0)
    close(fd_);
  if (!path_.empty())
    g_unlink(path_.c_str());
}

bool ScratchScript::create(const std::string& extension, std::string& error) {
  const std::string pattern = "quarnssaparse-XXXXXX" + extension;
  gchar* path = nullptr;
  GError* failure = nullptr;
  // Mode 0600: the script may be private to whoever plays it.
  fd_ = g_file_open_tmp(pattern.c_str(), &path, &failure);
  if (fd_ < 0) {
    error = failure != nullptr ? failure->message : "cannot create a temporary file";
    g_clear_error(&failure);
    return false;
  }
  path_ = path;
  g_free(path);
  return true;
}

bool ScratchScript::append(const void* data, std::size_t size, std::string& error) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(fd_, bytes, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      error = std::string("cannot write ") + path_ + ": " + std::strerror(errno);
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ScratchScript::finish(std::string& error) {
  if (fd_ < 0)
    return true;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    error = std::string("cannot write ") + path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace QuarnGst
