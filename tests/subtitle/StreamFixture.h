// A container with a host and helpers to hand it entries, for the stream and
// component suites.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "plugin/SSAContainer.h"
#include "subtitle/OverlayStream.h"
#include "support/FakeHost.h"

namespace Quarn::Testing {

using Stream = SubtitleParserTemplate<SSAContainer>::OverlayStream;

/// One entry to put in a stream: its times and its text.
struct EntryRow {
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
  ChunkPtr entry(const EntryRow& row) {
    const std::uint32_t size = static_cast<std::uint32_t>(row.text.size() + 1);
    auto block = std::make_unique<unsigned char[]>(size);
    std::memcpy(block.get(), row.text.c_str(), size);
    ChunkPtr chunk(container.bufferAllocator()->createChunk(block.get(), size));
    block.release();
    chunk->length() = size;
    chunk->timestamp = row.timestamp;
    chunk->duration = row.duration;
    return chunk;
  }

  Stream* addStream(const std::vector<EntryRow>& rows, const char* language = "",
                    const char* region = "", const char* name = "film.ass") {
    std::vector<ChunkPtr> entries;
    for (const EntryRow& row : rows)
      entries.push_back(entry(row));
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
