#include "rules/ScriptName.h"

namespace Quarn {

bool hasScriptExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos)
    return false;
  const std::string_view extension = name.substr(dot);
  return extension == ".ssa" || extension == ".ass";
}

}  // namespace Quarn
