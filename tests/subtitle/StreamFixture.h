// A container with a host and helpers to hand it entries, for the stream and
// component suites.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "plugin/SSAContainer.h"
#include "subtitle/OverlayStream.h"
#include "support/FakeHost.h"

namespace Quarn::Testing {

using Stream = SubtitleParserTemplate<SSAContainer>::OverlayStream;

struct EntrySpec {
  std::uint32_t timestamp;
  std::uint32_t duration;
  std::string text;
};

class StreamFixture : public ::testing::Test {
 protected:
  StreamFixture() { container.setHost(&host, 0xC0FFEE); }

  ~StreamFixture() override {
    container.closeStreams(false);
    host.destroyRemovedStreams();
  }

  /// An entry as the script reader makes it: the text plus a zero byte.
  MediaChunk* entry(const EntrySpec& spec) {
    const std::uint32_t size = static_cast<std::uint32_t>(spec.text.size() + 1);
    auto* block = new unsigned char[size];
    std::memcpy(block, spec.text.c_str(), size);
    MediaChunk* chunk = container.bufferAllocator()->createChunk(block, size);
    chunk->length() = size;
    chunk->timestamp = spec.timestamp;
    chunk->duration = spec.duration;
    return chunk;
  }

  Stream* addStream(const std::vector<EntrySpec>& specs, const char* language = "",
                    const char* region = "", const char* name = "film.ass") {
    std::vector<MediaChunk*> entries;
    for (const EntrySpec& spec : specs)
      entries.push_back(entry(spec));
    return container.addOverlayStream(std::move(entries), String<unsigned char>(name),
                                      String<char>(language), String<char>(region));
  }

  /// The text of a chunk handed out, without its zero byte.
  static std::string text(const MediaChunk* chunk) {
    return std::string(reinterpret_cast<const char*>(chunk->data()), chunk->length() - 1);
  }

  FakePluginHost pluginHost;
  FakeContainerHost host;
  SSAContainer container{&pluginHost};
};

}  // namespace Quarn::Testing
