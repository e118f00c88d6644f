// The plug-in module as a host loads it: dlopen'd once, unloaded last.
#pragma once

#include <string>

#include <quarn/Plugin.h>

namespace QuarnHost {

/// The module, unloaded when the object goes. Declare it before everything
/// that may run the module's code, so that it goes last.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  /// Why loading failed; empty once loaded.
  const std::string& error() const { return error_; }
  /// The module's getPlugin, or null.
  GetPluginFunction getPlugin() const;

 private:
  void* handle_;
  std::string error_;
};

}  // namespace QuarnHost
