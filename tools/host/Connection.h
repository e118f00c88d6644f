// One plug-in object of a loaded module and its container, connected to a
// host, and given back in the order the container expects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <quarn/ContainerInterface.h>
#include <quarn/Plugin.h>
#include <quarn/StreamInterface.h>

#include "HostObjects.h"
#include "Module.h"
#include "ResultText.h"
#include "Trace.h"

namespace QuarnHost {

/// The format header a stream handed over, copied out of its buffer.
struct FormatHeader {
  std::string tag;
  std::int32_t kind = 0;
  /// As the buffer counts it: the zero byte included.
  std::uint32_t length = 0;
  /// The bytes, without the terminating zero.
  std::string text;
};

/// Why a connection could not be made.
struct ConnectError {
  enum Kind { kNone, kNoGetPlugin, kNoPlugin, kNoContainer } kind = kNone;
  /// What getPlugin or queryInterface returned.
  Quarn::Result result = Quarn::ResultOk;
};

/// What went wrong, after the module's path: "has no getPlugin", "gave no
/// plug-in: ResultFailed (0x80100001)" and the like.
std::string describeConnectError(const ConnectError& error);

class Connection {
 public:
  /// Calls the module's getPlugin and queries the container face, then
  /// gives the container its host. Null, with the reason in `error`, when
  /// the module has no getPlugin, gives no plug-in or offers no container.
  /// The module must outlive the connection, and `trace` (null for none),
  /// where every call across the boundary is written, too.
  static std::unique_ptr<Connection> connect(const LoadedModule& module, std::string language,
                                             const CodePageSettings& settings, ConnectError& error,
                                             Trace* trace = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Quarn::ContainerInterface& container() { return *container_; }
  EngineContainerHost& host() { return containerHost_; }
  /// The trace the connection writes to, or null.
  Trace* trace() const { return trace_; }

  /// The container's verdict on `location` (the URL handed to the plug-in).
  bool probe(const std::string& location);
  /// Opens `location`.
  Quarn::Result open(const std::string& location);
  /// Selects the first programme, which offers its streams to the host, and
  /// returns the stream to play: the one the container selected, else the
  /// first offered. Null when there is no programme or no stream, or when
  /// selectProgram fails: `result` then has its code and `programId` (when
  /// given) the programme's id.
  Quarn::StreamInterface* selectFirstProgram(Quarn::Result& result,
                                             std::uint64_t* programId = nullptr);

  /// Gives everything back: closeStreams(false), discardHeader, the
  /// withdrawn streams, the last release, then the other streams. True when
  /// the plug-in object was destroyed by that release, as it must be. Later
  /// calls do nothing and return the same.
  bool close();

 private:
  Connection(std::string language, const CodePageSettings& settings, Trace* trace);
  void releasePlugin(Quarn::Plugin* plugin);

  Trace* trace_;
  EnginePluginHost pluginHost_;
  EngineContainerHost containerHost_;
  Quarn::Plugin* plugin_ = nullptr;
  Quarn::ContainerInterface* container_ = nullptr;
  /// Until connected and once closed there is nothing to give back.
  bool connected_ = false;
  bool destroyed_ = false;
};

/// Takes the stream's format header, which becomes the caller's, and frees it
/// as the container itself would once copied. None when there is none.
std::optional<FormatHeader> takeFormatHeader(Quarn::StreamInterface& stream,
                                             Trace* trace = nullptr);

}  // namespace QuarnHost
