// Which file URLs name a local file, and which file: the decoder behind the
// plug-in's path service on POSIX systems, and the hosts' explanation of a
// location it refuses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Quarn {

/// Longest path accepted, in bytes, terminator included.
constexpr std::size_t kMaxPathBytes = 4096;

/// Why a URL names no local file.
enum class FileUrlProblem {
  None,
  NotFile,          // the scheme is not "file"
  OtherHost,        // an authority other than "localhost"
  NoPath,           // no path starting with "/"
  QueryOrFragment,  // a "?" or "#"
  BadEscape,        // "%" not followed by two hex digits
  ZeroByte,         // a zero byte, escaped or not
  TooLong,          // the decoded path does not fit kMaxPathBytes
};

/// Decodes the file URL `url` into the local path it names. Accepted: scheme
/// "file" in any case; an empty authority or "localhost"; a path starting
/// with "/" ("file:/x" and "file:///x" alike); percent escapes, which are
/// decoded. The bytes are not checked as text: whether a path must be
/// well-formed UTF-8 is the caller's rule. `path` is set only on success.
FileUrlProblem decodeFileUrl(std::string_view url, std::string& path);

}  // namespace Quarn
