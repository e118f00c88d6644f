// Conversion of a file URL to a local path, the job of the system's path
// service. Both are UTF-8 bytes, the form the file system takes here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "rules/FileUrl.h"

namespace Quarn::Platform {

/// Longest path accepted, in bytes, terminator included.
using Quarn::kMaxPathBytes;

/// Turns the file URL `url` into a local path in `path`. Accepted: scheme
/// "file" in any case; an empty authority or "localhost"; a path starting
/// with "/" ("file:/x" and "file:///x" alike); percent escapes, which are
/// decoded. Refused: any other host, a query or fragment, a malformed escape,
/// a zero byte (escaped or not), a decoded path that does not fit
/// kMaxPathBytes. The bytes are not checked as text: whether a path must be
/// well-formed UTF-8 is the caller's rule. Returns false and leaves `path`
/// untouched on refusal.
bool fileUrlToPath(std::string_view url, std::string& path);

}  // namespace Quarn::Platform
