#include "framework/Plugin.h"

#include <cstdint>

namespace Quarn {

Plugin::~Plugin() = default;

std::int32_t Plugin::retain() {
  return referenceCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::int32_t Plugin::release() {
  // Acquire-release: whatever another thread did to the object before its
  // own release happens before the destruction below.
  const std::int32_t count = referenceCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count != 0)
    return count;
  PluginHost* host = pluginHost_;
  if (host != nullptr)
    host->pluginDestroying(this);
  // After the delete the address is only a key for the host; keep it as an
  // integer so that no pointer to the dead object is carried across.
  const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(this);
  delete this;
  if (host != nullptr)
    host->pluginDestroyed(reinterpret_cast<Plugin*>(key));
  return 0;
}

std::int32_t Plugin::getReferenceCount() {
  return referenceCount_.load(std::memory_order_relaxed);
}

std::uint32_t Plugin::getReserved() {
  return reserved_;
}

PluginHost* Plugin::getHost() {
  return pluginHost_;
}

}  // namespace Quarn
