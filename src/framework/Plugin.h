// The reference-counted plug-in object that getPlugin hands to the host, and
// the identifiers its interface query understands.
#pragma once

#include <atomic>
#include <cstdint>

#include "HostInterfaces.h"
#include "Platform.h"
#include "Result.h"
#include "String.h"

namespace Quarn {

/// The one interface identifier this plug-in answers.
constexpr const char* kContainerInterfaceId = "com.kavro.streamengine.interface.container";
/// Identifiers the framework defines but this plug-in does not answer.
constexpr const char* kComponentInterfaceId = "com.kavro.streamengine.interface.component";
constexpr const char* kInputInterfaceId = "com.kavro.streamengine.interface.input";
constexpr const char* kOutputInterfaceId = "com.kavro.streamengine.interface.output";
constexpr const char* kTransformInterfaceId = "com.kavro.streamengine.interface.transform";
constexpr const char* kInputComponentId = "com.kavro.streamengine.component.input";
constexpr const char* kOutputComponentId = "com.kavro.streamengine.component.output";
constexpr const char* kSingleOutputComponentId = "com.kavro.streamengine.component.output.single";
constexpr const char* kMultipleOutputComponentId =
    "com.kavro.streamengine.component.output.multiple";
constexpr const char* kTransformComponentId = "com.kavro.streamengine.component.transform";

/// The reference-counted plug-in object. The count is atomic, so a host may
/// retain and release from several threads; queryInterface does not add a
/// reference.
class Plugin {
 public:
  explicit Plugin(PluginHost* host) : pluginHost_(host) {}
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  virtual ~Plugin();  // slot 0
  /// Slot 1. Adds a reference; returns the new count.
  virtual std::int32_t retain();
  /// Slot 2. Drops a reference; returns the new count. At 0 the host's
  /// pluginDestroying is called, the object destroyed and pluginDestroyed
  /// called with the old address, and 0 is returned.
  virtual std::int32_t release();
  /// Slot 3.
  virtual std::int32_t getReferenceCount();
  /// Slot 4. Always 0.
  virtual std::uint32_t getReserved();
  /// Slot 5. The host given to getPlugin; not owned.
  virtual PluginHost* getHost();
  /// Slot 6. Stores the face named by `id` in *out and returns ResultOk, or
  /// stores null and returns ResultNoInterface. Does not retain: the face is
  /// valid while the caller holds a reference and must not be released.
  /// A null `out` gives ResultFailed.
  virtual Result queryInterface(const String<char>& id, void** out) = 0;

 private:
  std::atomic<std::int32_t> referenceCount_{1};
  PluginHost* pluginHost_;
  std::uint32_t reserved_ = 0;
};
// The count sits where a plain 32-bit integer would: hosts built against an
// older header see the same layout.
static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t) &&
                  alignof(std::atomic<std::int32_t>) == alignof(std::int32_t),
              "the reference count keeps the layout of a 32-bit integer");

}  // namespace Quarn

/// The plug-in's only export. Stores a new plug-in object (count 1, owned by
/// the caller) in *out and returns ResultOk; when the object cannot be made,
/// stores null and still returns ResultOk. A null `out` gives ResultFailed.
extern "C" QUARN_EXPORT Quarn::Result getPlugin(Quarn::PluginHost* host, Quarn::Plugin** out);

/// The type a host resolves getPlugin to.
using GetPluginFunction = Quarn::Result (*)(Quarn::PluginHost*, Quarn::Plugin**);
