#include "Connection.h"

#include <cstring>
#include <utility>
#include <vector>

#include <quarn/List.h>

namespace QuarnHost {

std::unique_ptr<Connection> Connection::connect(const LoadedModule& module, std::string language,
                                                const CodePageSettings& settings,
                                                ConnectError& error, Trace* trace) {
  error = ConnectError();
  const GetPluginFunction getPlugin = module.getPlugin();
  if (getPlugin == nullptr) {
    error.kind = ConnectError::kNoGetPlugin;
    return nullptr;
  }
  // The plug-in host must exist before getPlugin, which keeps it: the
  // connection is made first, around a plug-in still to come.
  std::unique_ptr<Connection> connection(new Connection(std::move(language), settings, trace));
  Quarn::Plugin* plugin = nullptr;
  {
    Trace::Call call(trace, "getPlugin");
    error.result = getPlugin(&connection->pluginHost_, &plugin);
    if (call)
      call.done({}, traceResult(error.result));
  }
  if (error.result != Quarn::ResultOk || plugin == nullptr) {
    error.kind = ConnectError::kNoPlugin;
    return nullptr;
  }
  void* face = nullptr;
  {
    Trace::Call call(trace, "queryInterface");
    error.result = plugin->queryInterface(Quarn::String<char>(Quarn::kContainerInterfaceId), &face);
    if (call)
      call.done(JsonFields().text("id", Quarn::kContainerInterfaceId), traceResult(error.result));
  }
  if (error.result != Quarn::ResultOk || face == nullptr) {
    error.kind = ConnectError::kNoContainer;
    connection->releasePlugin(plugin);
    return nullptr;
  }
  connection->plugin_ = plugin;
  connection->container_ = static_cast<Quarn::ContainerInterface*>(face);
  connection->connected_ = true;
  // The container's own id comes from the same count as the ids it draws.
  const std::uint64_t id = connection->containerHost_.drawId();
  Trace::Call call(trace, "setHost");
  connection->container_->setHost(&connection->containerHost_, id);
  if (call)
    call.done(JsonFields().number("container", id), {});
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

Connection::Connection(std::string language, const CodePageSettings& settings, Trace* trace)
    : trace_(trace), containerHost_(std::move(language), settings) {
  pluginHost_.setTrace(trace);
  containerHost_.setTrace(trace);
}

void Connection::releasePlugin(Quarn::Plugin* plugin) {
  Trace::Call call(trace_, "release");
  const std::int32_t count = plugin->release();
  if (call)
    call.done(JsonFields().text("object", "plugin"), std::to_string(count));
}

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
  Trace::Call call(trace_, "probe");
  const bool accepted = container_->probe(&source.descriptor, 0, 0, &required);
  if (call)
    call.done(JsonFields().text("location", location), accepted ? "true" : "false");
  return accepted;
}

Quarn::Result Connection::open(const std::string& location) {
  const Source source(location);
  Trace::Call call(trace_, "open");
  const Quarn::Result result = container_->open(&source.descriptor);
  if (call)
    call.done(JsonFields().text("location", location), traceResult(result));
  return result;
}

Quarn::StreamInterface* Connection::selectFirstProgram(Quarn::Result& result,
                                                       std::uint64_t* programId) {
  std::optional<std::uint64_t> id;
  {
    Trace::Call call(trace_, "getProgramIds");
    const Quarn::List<unsigned long long> ids = container_->getProgramIds();
    if (!ids.isEmpty())
      id = ids.head()->value;
    if (call) {
      std::string list = "[";
      for (const unsigned long long value : ids)
        list += (list.size() > 1 ? "," : "") + std::to_string(value);
      call.done({}, list + "]");
    }
  }
  result = Quarn::ResultOk;
  if (!id)
    return nullptr;
  if (programId != nullptr)
    *programId = *id;
  Trace::Call call(trace_, "selectProgram");
  result = container_->selectProgram(*id);
  if (call)
    call.done(JsonFields().number("program", static_cast<std::int64_t>(*id)), traceResult(result));
  if (result != Quarn::ResultOk)
    return nullptr;
  return containerHost_.streamToPlay();
}

bool Connection::close() {
  if (!connected_)
    return destroyed_;
  connected_ = false;
  {
    Trace::Call call(trace_, "closeStreams");
    const Quarn::Result result = container_->closeStreams(false);
    if (call)
      call.done(JsonFields().boolean("keep", false), traceResult(result));
  }
  {
    Trace::Call call(trace_, "discardHeader");
    const Quarn::Result result = container_->discardHeader();
    if (call)
      call.done({}, traceResult(result));
  }
  containerHost_.destroyWithdrawnStreams();
  releasePlugin(plugin_);
  destroyed_ = pluginHost_.destroyed();
  containerHost_.destroyAllStreams();
  return destroyed_;
}

std::optional<FormatHeader> takeFormatHeader(Quarn::StreamInterface& stream, Trace* trace) {
  Quarn::List<Quarn::MediaBuffer*> headers;
  {
    Trace::Call call(trace, "takeHeader");
    const bool taken = stream.takeHeader(headers);
    if (call) {
      std::int64_t count = 0;
      for (Quarn::MediaBuffer* buffer : headers)
        count += buffer != nullptr;
      call.done(JsonFields().number("stream", static_cast<std::int64_t>(stream.streamId())),
                taken ? "true" : "false", JsonFields().number("headers", count));
    }
    if (!taken)
      return std::nullopt;
  }
  std::optional<FormatHeader> taken;
  // Each buffer is ours: its block is an array from the global heap.
  std::int64_t n = 0;
  for (Quarn::MediaBuffer* buffer : headers) {
    if (buffer == nullptr)
      continue;
    ++n;
    const auto* typed = static_cast<const Quarn::TypedMediaBuffer*>(buffer);
    unsigned char* block = nullptr;
    {
      Trace::Call call(trace, "lockData");
      block = buffer->lockData();
      if (call)
        call.done(JsonFields().number("header", n), {});
    }
    if (!taken) {
      taken.emplace();
      taken->tag.assign(typed->tag, strnlen(typed->tag, sizeof typed->tag));
      taken->kind = typed->kind;
      taken->length = buffer->length();
      taken->text = payloadText(block, buffer->length(), buffer->capacity());
    }
    {
      Trace::Call call(trace, "unlockData");
      buffer->unlockData();
      if (call)
        call.done(JsonFields().number("header", n), {});
    }
    delete[] block;
    Trace::Call call(trace, "~MediaBuffer");
    delete buffer;
    if (call)
      call.done(JsonFields().number("header", n), {});
  }
  return taken;
}

}  // namespace QuarnHost
