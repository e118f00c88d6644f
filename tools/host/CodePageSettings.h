// What a host answers to the settings of section "CodePage", apart from
// the host objects so that code that only explains a script needs nothing
// of the plug-in's headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace QuarnHost {

/// The code page a user gives to have the host detect it.
constexpr std::string_view kDetectCodePage = "auto";

struct CodePageSettings {
  std::optional<bool> overrideEmbedded;
  std::optional<std::string> name;
  /// The name is what the host detected, asked to ("auto"), not one its
  /// user gave: advice then speaks of the detection.
  bool detected = false;
};

}  // namespace QuarnHost
