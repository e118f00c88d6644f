// What a host answers to the settings of section "CodePage", apart from
// the host objects so that code that only explains a script needs nothing
// of the plug-in's headers.
#pragma once

#include <optional>
#include <string>

namespace QuarnHost {

struct CodePageSettings {
  std::optional<bool> overrideEmbedded;
  std::optional<std::string> name;
};

}  // namespace QuarnHost
