// Where the player finds the plug-in module when --plugin does not name one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace QuarnPlay {

/// The module's file name.
constexpr const char* kModuleName = "libquarn_ssa.so";

struct ModuleSearch {
  /// The first place that holds the module; empty when none does.
  std::string found;
  /// Every place looked at, in order.
  std::vector<std::string> tried;
};

/// Looks for the module beside the player, then in the installed plug-in
/// folder of a player installed as PREFIX/bin/quarn-ssa-play:
/// `playerFolder`/../lib/quarn/plugins. `exists` says whether a path names a
/// file.
ModuleSearch findModule(const std::string& playerFolder,
                        const std::function<bool(const std::string&)>& exists);

/// The folder of the running executable, symbolic links resolved, so that a
/// link to an installed player still finds the installed module; empty when
/// it cannot be told.
std::string executableFolder();

/// True when `path` can be looked up and is not a folder.
bool isFile(const std::string& path);

}  // namespace QuarnPlay
