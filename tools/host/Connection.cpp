#include "Connection.h"

#include <cstring>
#include <utility>
#include <vector>

#include <quarn/List.h>

namespace QuarnHost {

std::unique_ptr<Connection> Connection::connect(const LoadedModule& module, std::string language,
                                                const CodePageSettings& settings,
                                                ConnectError& error) {
  error = ConnectError();
  const GetPluginFunction getPlugin = module.getPlugin();
  if (getPlugin == nullptr) {
    error.kind = ConnectError::kNoGetPlugin;
    return nullptr;
  }
  // The plug-in host must exist before getPlugin, which keeps it: the
  // connection is made first, around a plug-in still to come.
  std::unique_ptr<Connection> connection(new Connection(std::move(language), settings));
  Quarn::Plugin* plugin = nullptr;
  error.result = getPlugin(&connection->pluginHost_, &plugin);
  if (error.result != Quarn::ResultOk || plugin == nullptr) {
    error.kind = ConnectError::kNoPlugin;
    return nullptr;
  }
  void* face = nullptr;
  error.result = plugin->queryInterface(Quarn::String<char>(Quarn::kContainerInterfaceId), &face);
  if (error.result != Quarn::ResultOk || face == nullptr) {
    error.kind = ConnectError::kNoContainer;
    plugin->release();
    return nullptr;
  }
  connection->plugin_ = plugin;
  connection->container_ = static_cast<Quarn::ContainerInterface*>(face);
  connection->connected_ = true;
  connection->container_->setHost(&connection->containerHost_, connection->containerHost_.newId());
  return connection;
}

std::string describeConnectError(const ConnectError& error) {
  switch (error.kind) {
    case ConnectError::kNone:
      break;
    case ConnectError::kNoGetPlugin:
      return "has no getPlugin";
    case ConnectError::kNoPlugin:
      return "gave no plug-in: " + describeResult(error.result);
    case ConnectError::kNoContainer:
      return "offers no container: " + describeResult(error.result);
  }
  return {};
}

Connection::Connection(std::string language, const CodePageSettings& settings)
    : containerHost_(std::move(language), settings) {}

Connection::~Connection() {
  close();
}

namespace {

/// The descriptor of one call: the location text lives as long as it.
struct Source {
  explicit Source(const std::string& location)
      : text(location.data(), static_cast<std::uint32_t>(location.size())) {
    descriptor.location = &text;
  }
  const Quarn::String<unsigned char> text;
  Quarn::SourceDescriptor descriptor;
};

}  // namespace

bool Connection::probe(const std::string& location) {
  const Source source(location);
  std::vector<Quarn::FormatDescriptor> required;
  return container_->probe(&source.descriptor, 0, 0, &required);
}

Quarn::Result Connection::open(const std::string& location) {
  const Source source(location);
  return container_->open(&source.descriptor);
}

Quarn::StreamInterface* Connection::selectFirstProgram(Quarn::Result& result,
                                                       std::uint64_t* programId) {
  std::optional<std::uint64_t> id;
  {
    const Quarn::List<unsigned long long> ids = container_->getProgramIds();
    if (!ids.isEmpty())
      id = ids.head()->value;
  }
  result = Quarn::ResultOk;
  if (!id)
    return nullptr;
  if (programId != nullptr)
    *programId = *id;
  result = container_->selectProgram(*id);
  if (result != Quarn::ResultOk)
    return nullptr;
  return containerHost_.streamToPlay();
}

bool Connection::close() {
  if (!connected_)
    return destroyed_;
  connected_ = false;
  container_->closeStreams(false);
  container_->discardHeader();
  containerHost_.destroyWithdrawnStreams();
  plugin_->release();
  destroyed_ = pluginHost_.destroyed();
  containerHost_.destroyAllStreams();
  return destroyed_;
}

std::optional<FormatHeader> takeFormatHeader(Quarn::StreamInterface& stream) {
  Quarn::List<Quarn::MediaBuffer*> headers;
  if (!stream.takeHeader(headers))
    return std::nullopt;
  std::optional<FormatHeader> taken;
  // Each buffer is ours: its block is an array from the global heap.
  for (Quarn::MediaBuffer* buffer : headers) {
    if (buffer == nullptr)
      continue;
    const auto* typed = static_cast<const Quarn::TypedMediaBuffer*>(buffer);
    unsigned char* block = buffer->lockData();
    if (!taken) {
      taken.emplace();
      taken->tag.assign(typed->tag, strnlen(typed->tag, sizeof typed->tag));
      taken->kind = typed->kind;
      taken->length = buffer->length();
      taken->text = payloadText(block, buffer->length(), buffer->capacity());
    }
    buffer->unlockData();
    delete[] block;
    delete buffer;
  }
  return taken;
}

}  // namespace QuarnHost
