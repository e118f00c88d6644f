// What the bad-input matrices share: a plug-in object made, driven and torn
// down the way a host does it, through its Plugin face and the container face
// its query hands out, and a host that can destroy every stream it was offered.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "plugin/FormatHeader.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace Quarn::Testing::Matrix {

/// A script that opens: two events in file order, out of time order.
inline const std::string kGoodScript =
    "[Script Info]\r\nTitle: matrix\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\n"
    "Style: Default,Arial\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
    "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,second\r\n"
    "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,first\r\n";

/// One entry as the stream hands it out.
struct Entry {
  std::uint32_t timestamp;
  std::uint32_t duration;
  std::string text;  ///< the payload without its terminating zero
  bool operator==(const Entry& o) const {
    return timestamp == o.timestamp && duration == o.duration && text == o.text;
  }
  bool operator<(const Entry& o) const {
    return std::tie(timestamp, duration, text) < std::tie(o.timestamp, o.duration, o.text);
  }
};

inline void PrintTo(const Entry& e, std::ostream* os) {
  *os << "{" << e.timestamp << ", " << e.duration << ", \"" << e.text << "\"}";
}

/// The entries of kGoodScript in stream order.
inline std::vector<Entry> goodScriptEntries() {
  return {{1000, 1000, "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,first"},
          {3000, 1000, "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,second"}};
}

/// The format header of kGoodScript: its text up to the end of the events
/// format line.
inline std::string goodScriptHeader() {
  return kGoodScript.substr(0, kGoodScript.find("Text\r\n") + 4);
}

/// The fake host, also keeping every stream offered to it, so that after a
/// last release that skipped closeStreams it can still destroy them.
class OfferingHost : public FakeContainerHost {
 public:
  void streamAdded(StreamInterface& stream) override {
    offered_[stream.streamId()] = &stream;
    FakeContainerHost::streamAdded(stream);
  }

  /// Destroys every stream offered so far, withdrawn or not, each once.
  void destroyAllStreams() {
    destroyRemovedStreams();
    for (const auto& [id, stream] : offered_) {
      if (std::find(removedStreams.begin(), removedStreams.end(), id) == removedStreams.end())
        delete stream;
    }
    offered_.clear();
  }

  /// The stream offered last, or null.
  StreamInterface* lastOffered() const {
    return addedStreams.empty() ? nullptr : offered_.at(addedStreams.back());
  }

 private:
  std::map<std::uint64_t, StreamInterface*> offered_;
};

/// Frees every format header in `headers` as the host that took them does;
/// returns the text of the first, or "<none>".
inline std::string freeTakenHeaders(List<MediaBuffer*>& headers) {
  std::string first = "<none>";
  for (MediaBuffer* buffer : headers) {
    auto* header = static_cast<TypedMediaBuffer*>(buffer);
    if (first == "<none>" && header != nullptr)
      first = header->data() == nullptr
                  ? std::string()
                  : std::string(reinterpret_cast<const char*>(header->data()),
                                header->length() == 0 ? 0 : header->length() - 1);
    freeFormatHeader(header);
  }
  headers.clear();
  return first;
}

/// A plug-in object on the heap, reached as a host reaches it: the Plugin
/// face that getPlugin hands out and the container face from queryInterface.
/// The destructor tears it down as a host does (closeStreams(false), the
/// withdrawn streams destroyed, discardHeader, the last release) unless the
/// test made the last release itself; either way the host then destroys any
/// stream it still holds.
class HostedContainer {
 public:
  explicit HostedContainer(bool withHost = true) : object(new SSAContainer(&plugins)) {
    plugin = object;
    void* found = nullptr;
    EXPECT_EQ(plugin->queryInterface(String<char>(kContainerInterfaceId), &found), ResultOk);
    face = static_cast<ContainerInterface*>(found);
    if (withHost)
      face->setHost(&host, 3);
  }
  ~HostedContainer() {
    if (!released_) {
      face->closeStreams(false);
      host.destroyRemovedStreams();
      face->discardHeader();
      release();
    }
    host.destroyAllStreams();
  }
  HostedContainer(const HostedContainer&) = delete;
  HostedContainer& operator=(const HostedContainer&) = delete;

  /// Opens `location`, given as bytes (a zero byte stays in it).
  Result open(const std::string& location) {
    const String<unsigned char> text(location.data(), static_cast<std::uint32_t>(location.size()));
    SourceDescriptor source;
    source.location = &text;
    return face->open(&source);
  }

  /// What a host does after a successful open: the programme's id, then its
  /// selection, which offers the streams.
  Result selectProgram() {
    const List<unsigned long long> ids = face->getProgramIds();
    return face->selectProgram(ids.isEmpty() ? 0 : ids.head()->value);
  }

  /// Every entry of `stream` in stream order, read with a clock past them all.
  std::vector<Entry> readAll(StreamInterface& stream) {
    stream.setConsumer(&consumer);
    std::vector<Entry> entries;
    MediaChunk* chunk = nullptr;
    while (stream.readStream(&chunk) == ResultOk && chunk != nullptr) {
      entries.push_back({chunk->timestamp, chunk->duration,
                         std::string(reinterpret_cast<const char*>(chunk->data()),
                                     chunk->length() == 0 ? 0 : chunk->length() - 1)});
      chunk->release();
    }
    return entries;
  }

  /// The plug-in's last release: the host is told before and after.
  void release() {
    released_ = true;
    EXPECT_EQ(plugin->release(), 0);
    EXPECT_EQ(plugins.log.count("pluginDestroying"), 1u);
    EXPECT_EQ(plugins.log.count("pluginDestroyed"), 1u);
  }

  FakePluginHost plugins;
  OfferingHost host;
  FakeConsumer consumer{INT32_MAX};
  /// The object itself, for what the container face lacks: the stream table
  /// and the component's own takeHeader.
  SSAContainer* object;
  Plugin* plugin = nullptr;
  ContainerInterface* face = nullptr;

 private:
  bool released_ = false;
};

}  // namespace Quarn::Testing::Matrix
