#include "Module.h"

#include <dlfcn.h>

namespace QuarnHost {

LoadedModule::LoadedModule(const std::string& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why != nullptr ? why : "unknown error";
  }
}

LoadedModule::~LoadedModule() {
  if (handle_ != nullptr)
    dlclose(handle_);
}

GetPluginFunction LoadedModule::getPlugin() const {
  if (handle_ == nullptr)
    return nullptr;
  return reinterpret_cast<GetPluginFunction>(dlsym(handle_, "getPlugin"));
}

}  // namespace QuarnHost
