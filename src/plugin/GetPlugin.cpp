#include <new>

#include "framework/Plugin.h"
#include "plugin/SSAContainer.h"

extern "C" QUARN_EXPORT Quarn::Result getPlugin(Quarn::PluginHost* host, Quarn::Plugin** out) {
  if (out == nullptr)
    return Quarn::ResultFailed;
  *out = nullptr;
  // No exception may leave a C entry point: a plug-in that cannot be built is
  // reported by the null alone.
  try {
    *out = new Quarn::SSAContainer(host);
  } catch (...) {
    *out = nullptr;
  }
  return Quarn::ResultOk;
}
