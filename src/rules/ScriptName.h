// What the reader recognises by name alone.
#pragma once

#include <string_view>

namespace Quarn {

/// True when `name` (a location or a path) ends in ".ssa" or ".ass": the
/// part from its last "." on, compared exactly and case-sensitively.
bool hasScriptExtension(std::string_view name);

}  // namespace Quarn
