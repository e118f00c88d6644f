// The framework's table from file extension (".mkv", lower case, with the
// dot) to media type ("video/x-matroska"). Built while the library loads and
// read-only afterwards, so readers need no lock.
#pragma once

#include <map>

#include "String.h"

namespace Quarn {

/// Keys iterate from the greatest to the least, like every String-keyed table.
using ExtensionTable =
    std::map<String<unsigned char>, String<unsigned char>, SortsAfter<unsigned char>>;

/// The 41 known extensions and their media types.
const ExtensionTable& extensionMediaTypes();

}  // namespace Quarn
