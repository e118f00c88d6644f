// The whole path a host drives, on arbitrary file contents: getPlugin, the
// container face, open through a file URL, the stream read forward, after a
// seek, backward, sync points, rewind, then close, header and release.
//
// Four leading bytes are parameters: byte 0 the host's CodePage settings
// (bits 0-1 OverrideEmbedded absent/true/false, bits 2-4 Name) and whether
// the header is taken (bit 5); bytes 1-2 the seek time; byte 3 the negative
// rate. The rest is the file. Beyond what the sanitizers and the leak check
// see, the reads must agree with each other: sorted forward, a suffix after
// a seek, the exact reverse backward, and every chunk a terminated line.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzCheck.h"
#include "ScratchFile.h"
#include "framework/ChunkPtr.h"
#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "support/FakeHost.h"

namespace {

using namespace Quarn;

constexpr const char* kCodePages[] = {nullptr, "windows-1252", "UTF-16LE", "UTF-7", "qu@rn\xFF-x"};

class Host : public Testing::FakeContainerHost {
 public:
  void streamAdded(StreamInterface& stream) override {
    offered.push_back(&stream);
    FakeContainerHost::streamAdded(stream);
  }
  std::vector<StreamInterface*> offered;
};

using Entry = std::tuple<std::uint32_t, std::uint32_t, std::string>;  // start, duration, text
struct Read {
  std::vector<Entry> entries;
  bool stalled = false;  // stopped at an entry that is never due
};

// Reads until the end or a stall, checking and releasing every chunk.
Read readAll(StreamInterface& stream) {
  Read read;
  for (;;) {
    MediaChunk* chunk = nullptr;
    const Result result = stream.readStream(&chunk);
    read.stalled = result == ResultUnavailable;
    FUZZ_CHECK(result == ResultOk || (read.stalled && chunk == nullptr));
    if (chunk == nullptr)
      return read;
    const ChunkPtr owned(chunk);
    FUZZ_CHECK(chunk->length() == chunk->capacity() && chunk->length() >= 29);
    FUZZ_CHECK(chunk->data()[chunk->length() - 1] == 0);
    FUZZ_CHECK(chunk->timestamp <= std::uint32_t{INT32_MAX} + 500u);  // due at the latest time
    const std::string text(reinterpret_cast<const char*>(chunk->data()), chunk->length() - 1);
    FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos);
    read.entries.emplace_back(chunk->timestamp, chunk->duration, text);
  }
}

void takeHeader(StreamInterface& stream, const std::uint8_t* file, std::size_t size, bool raw) {
  List<MediaBuffer*> headers;
  if (!stream.takeHeader(headers))
    return;
  FUZZ_CHECK(headers.count() == 1 && !stream.takeHeader(headers));  // handed out once
  for (MediaBuffer* buffer : headers) {
    const auto* header = static_cast<TypedMediaBuffer*>(buffer);
    unsigned char* block = buffer->lockData();
    const std::uint32_t length = buffer->length();
    if (buffer->capacity() != 0) {
      FUZZ_CHECK(length == buffer->capacity() && block[length - 1] == 0);
      FUZZ_CHECK(std::memcmp(header->tag, "SUB \0", 5) == 0 && header->kind == 4);
      if (raw)  // unconverted, the header is the file's first bytes
        FUZZ_CHECK(length - 1 <= size && std::memcmp(block, file, length - 1) == 0);
    }
    buffer->unlockData();
    delete[] block;
    delete buffer;
  }
}

void playStream(StreamInterface& stream, const std::uint8_t* params) {
  Testing::FakeConsumer consumer(INT32_MAX);
  FUZZ_CHECK(stream.setConsumer(&consumer) == ResultOk);
  const Read all = readAll(stream);
  const std::vector<Entry>& entries = all.entries;
  FUZZ_CHECK(!entries.empty() || all.stalled);  // open made at least one entry
  FUZZ_CHECK(std::is_sorted(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return std::get<0>(a) < std::get<0>(b);
  }));

  std::uint32_t reached = 0;
  FUZZ_CHECK(stream.seekStream((params[1] << 8 | params[2]) * 100u, &reached, 0) == ResultOk);
  const Read after = readAll(stream);
  FUZZ_CHECK(after.entries.size() <= entries.size());
  FUZZ_CHECK(std::equal(after.entries.begin(), after.entries.end(),
                        entries.end() - static_cast<std::ptrdiff_t>(after.entries.size())));
  FUZZ_CHECK(after.entries.empty() || reached == std::get<0>(after.entries.front()));

  FUZZ_CHECK(stream.setRate(-1 - params[3] * 16) && stream.rewind() == ResultOk);
  const Read back = readAll(stream);
  // A stall forward means the last entry is never due: backward stops at once.
  FUZZ_CHECK(back.stalled == all.stalled);
  FUZZ_CHECK(all.stalled ? back.entries.empty()
                         : std::equal(back.entries.rbegin(), back.entries.rend(), entries.begin(),
                                      entries.end()));

  // A sync point is an entry's start, or just outside the table.
  const std::uint32_t probe = (params[2] << 8 | params[1]) * 100u;
  auto checkSync = [&](std::uint32_t outside) {
    std::uint32_t sync = 0;
    FUZZ_CHECK(stream.findSyncPoint(0, probe, &sync) == ResultOk);
    FUZZ_CHECK(all.stalled || sync == outside ||
               std::any_of(entries.begin(), entries.end(),
                           [&](const Entry& e) { return std::get<0>(e) == sync; }));
  };
  if (!all.stalled) {
    checkSync(std::get<0>(entries.front()) - 1u);
    FUZZ_CHECK(stream.setRate(1000));
    checkSync(std::get<0>(entries.back()) + std::get<1>(entries.back()));
  }
  FUZZ_CHECK(stream.setRate(1000) && stream.rewind() == ResultOk);
  const Read again = readAll(stream);
  FUZZ_CHECK(again.entries == entries && again.stalled == all.stalled);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QuarnFuzz::ScratchFile scratch("quarn-fuzz");
  if (size < 4)
    return 0;
  const std::uint8_t* file = data + 4;
  scratch.write(file, size - 4);

  Testing::FakePluginHost pluginHost;
  Host host;
  const int overrideEmbedded = data[0] & 3;
  if (overrideEmbedded == 1 || overrideEmbedded == 2)
    host.setBoolean("OverrideEmbedded", overrideEmbedded == 1);
  const char* codePage = kCodePages[(data[0] >> 2 & 7) % 5];
  if (codePage != nullptr)
    host.setText("Name", codePage);

  Plugin* plugin = nullptr;
  FUZZ_CHECK(getPlugin(&pluginHost, &plugin) == ResultOk && plugin != nullptr);
  void* face = nullptr;
  FUZZ_CHECK(plugin->queryInterface(String<char>(kContainerInterfaceId), &face) == ResultOk);
  auto* container = static_cast<ContainerInterface*>(face);
  container->setHost(&host, 7);

  const String<unsigned char> location(("file://" + scratch.path).c_str());
  SourceDescriptor source;
  source.location = &location;
  const Result opened = container->open(&source);
  FUZZ_CHECK(opened == ResultOk || opened == ResultFailed);  // the location itself is good
  if (opened == ResultOk) {
    const List<unsigned long long> ids = container->getProgramIds();
    FUZZ_CHECK(ids.count() == 1 && container->selectProgram(ids.head()->value) == ResultOk);
    FUZZ_CHECK(host.offered.size() == 1);
    if ((data[0] & 0x20) != 0)
      takeHeader(*host.offered.front(), file, size - 4, !codePage && overrideEmbedded != 2);
    playStream(*host.offered.front(), data);
  }

  FUZZ_CHECK(container->closeStreams(false) == ResultOk);
  FUZZ_CHECK(host.removedStreams.size() == host.offered.size());
  FUZZ_CHECK(host.destroyRemovedStreams() == static_cast<int>(host.offered.size()));
  FUZZ_CHECK(container->discardHeader() == ResultOk);
  FUZZ_CHECK(plugin->release() == 0 && pluginHost.destroyedKeys.size() == 1);
  return 0;
}
