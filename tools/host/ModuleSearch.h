// Where a host finds the plug-in module when it is not told: places relative
// to the host's own file, the first that holds the module winning.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace QuarnHost {

/// The module's file name.
constexpr const char* kModuleName = "libquarn_ssa.so";
/// The installed plug-in folder seen from an installed player, which is
/// PREFIX/bin/quarn-ssa-play beside PREFIX/lib/quarn/plugins/.
constexpr const char* kModuleFromPlayer = "../lib/quarn/plugins/libquarn_ssa.so";

struct ModuleSearch {
  /// The first place that holds the module; empty when none does.
  std::string found;
  /// Every place looked at, in order.
  std::vector<std::string> tried;
};

/// Looks at each of `places`, relative to `folder`, in order. The relative
/// steps are kept as they are: the loader follows them the same way whatever
/// links the prefix holds. `exists` says whether a path names a file.
ModuleSearch findModule(const std::string& folder, const std::vector<std::string>& places,
                        const std::function<bool(const std::string&)>& exists);

/// The folder of the running executable, symbolic links resolved, so that a
/// link to an installed player still finds the installed module; empty when
/// it cannot be told.
std::string executableFolder();

/// The folder of the file (an executable or a shared library) that holds
/// `address`, as the loader names it; empty when it cannot be told.
std::string folderOfCode(const void* address);

/// True when `path` can be looked up and is not a folder.
bool isFile(const std::string& path);

}  // namespace QuarnHost
