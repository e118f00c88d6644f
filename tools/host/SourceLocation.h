// How a host turns the script it is given, a path or a URL, into the
// location handed to the plug-in.
#pragma once

#include <string>
#include <string_view>

namespace QuarnHost {

/// True when `source` starts with a URL scheme followed by "/":
/// [A-Za-z][A-Za-z0-9+.-]* ":" "/".
bool startsWithUrlScheme(std::string_view source);

/// `path` with every byte outside the RFC 3986 unreserved set and "/" written
/// as %XX with upper-case hex digits.
std::string percentEncodePath(std::string_view path);

/// The location for `source`: a URL unchanged; any other text made absolute
/// against `workingFolder` (an absolute path) and turned into a file:// URL.
std::string sourceToLocation(std::string_view source, std::string_view workingFolder);

/// The current folder, however long; empty when it cannot be told.
std::string workingFolder();

}  // namespace QuarnHost
