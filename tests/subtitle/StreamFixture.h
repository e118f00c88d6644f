// A container with a host and helpers to hand it entries, for the stream and
// component suites.
#pragma once

#include <gtest/gtest.h>

#include <string>
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

/// Entries over one text, in the order given, as the script reader makes
/// them: each row's line followed by a line break.
inline EntryTable tableOf(const std::vector<EntryRow>& rows) {
  std::string text;
  for (const EntryRow& row : rows)
    text += row.text + "\n";
  EntryTable table(copyText(text));
  std::uint32_t offset = 0;
  for (const EntryRow& row : rows) {
    const auto length = static_cast<std::uint32_t>(row.text.size());
    table.append(EntryRecord{row.timestamp, row.duration, offset, length});
    offset += length + 1;
  }
  return table;
}

class StreamFixture : public ::testing::Test {
 protected:
  StreamFixture() { container.setHost(&host, 0xC0FFEE); }

  ~StreamFixture() override {
    container.closeStreams(false);
    host.destroyRemovedStreams();
  }

  Stream* addStream(const std::vector<EntryRow>& rows, const char* language = "",
                    const char* region = "", const char* name = "film.ass") {
    return container.addOverlayStream(tableOf(rows), String<unsigned char>(name),
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
