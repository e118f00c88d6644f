// The host's side of the plug-in boundary, shared by the player and the
// GStreamer element: the plug-in host and the container host, as a stream
// engine provides them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <quarn/HostInterfaces.h>
#include <quarn/Plugin.h>
#include <quarn/Records.h>
#include <quarn/StreamInterface.h>
#include <quarn/String.h>

#include "CodePageSettings.h"
#include "Trace.h"

namespace QuarnHost {

/// Handles streams of format "SSA" and notes the plug-in's destruction.
class EnginePluginHost : public Quarn::PluginHost {
 public:
  bool isFormatSupported(const Quarn::String<char>& tag) override;
  void pluginDestroying(Quarn::Plugin* plugin) override;
  void pluginDestroyed(Quarn::Plugin* plugin) override;

  bool destroyed() const { return destroyed_; }
  /// Where the plug-in's calls are traced; null for none.
  void setTrace(Trace* trace) { trace_ = trace; }

 private:
  Trace* trace_ = nullptr;
  bool destroying_ = false;
  bool destroyed_ = false;
};

/// The host of one container. It owns every stream offered to it: a stream
/// the container withdraws is destroyed by destroyWithdrawnStreams, any other
/// by destroyAllStreams once the container itself is gone. Its users call the
/// plug-in from one thread at a time (the element under a lock of its own),
/// so no lock is needed here.
class EngineContainerHost : public Quarn::ContainerHost {
 public:
  EngineContainerHost(std::string preferredLanguage, const CodePageSettings& settings);
  ~EngineContainerHost() override;

  EngineContainerHost(const EngineContainerHost&) = delete;
  EngineContainerHost& operator=(const EngineContainerHost&) = delete;

  std::uint64_t newId() override;
  /// An id as newId draws it, for the host's own use: not a call of the
  /// plug-in's, so not traced.
  std::uint64_t drawId() { return nextId_++; }
  Quarn::String<char> getPreferredLanguage() override;
  void getSetting(const Quarn::Setting& setting, Quarn::SettingValue* value) override;
  void streamAdded(Quarn::StreamInterface& stream) override;
  void streamRemoved(std::uint64_t streamId) override;
  void selectStream(std::uint64_t streamId, std::int32_t enable) override;

  /// The streams offered and not withdrawn, in the order they were offered.
  const std::vector<Quarn::StreamInterface*>& streams() const { return streams_; }
  /// The stream to play: the last one selected, else the first offered; null
  /// when there is none.
  Quarn::StreamInterface* streamToPlay() const;

  /// Where the container's calls are traced, and this host's own calls into
  /// the streams it destroys; null for none.
  void setTrace(Trace* trace) { trace_ = trace; }

  /// Destroys the streams the container has withdrawn.
  void destroyWithdrawnStreams();
  /// Destroys every stream still held. Only once the container is gone: until
  /// then it may still refer to the streams it has not withdrawn.
  void destroyAllStreams();

 private:
  void answerSetting(const Quarn::Setting& setting, Quarn::SettingValue* value) const;
  void destroy(Quarn::StreamInterface* stream);

  Trace* trace_ = nullptr;
  std::string preferredLanguage_;
  std::optional<bool> overrideEmbedded_;
  /// Lives as long as the host: the container reads the text it points at.
  std::optional<Quarn::String<char>> codePageName_;
  std::uint64_t nextId_ = 1;
  std::vector<Quarn::StreamInterface*> streams_;
  std::vector<Quarn::StreamInterface*> withdrawn_;
  std::optional<std::uint64_t> selected_;
};

}  // namespace QuarnHost
