// Conversion of a file URL to a local path, the job of the system's path
// service.
#pragma once

#include <string>

namespace Quarn::Platform {

/// Longest path accepted, in bytes, terminator included.
constexpr std::size_t kMaxPathBytes = 4096;

/// Turns the file URL `url` into a local path in `path`. Accepted: scheme
/// "file" in any case; an empty authority or "localhost"; a path starting
/// with "/" ("file:/x" and "file:///x" alike); percent escapes, which are
/// decoded. Refused: any other host, a query or fragment, a malformed escape,
/// "%00", a decoded path that is not well-formed UTF-8 or that does not fit
/// kMaxPathBytes. Returns false and leaves `path` untouched on refusal.
bool fileUrlToPath(const std::u16string& url, std::u16string& path);

}  // namespace Quarn::Platform
