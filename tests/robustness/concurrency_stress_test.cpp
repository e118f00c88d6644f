// Several host threads drive one container, its streams and its Plugin face
// in seeded random orders. Every call is one a host may make at any time; the
// sanitizer runs (make test-sanitize, make test-tsan) turn a missing lock, a
// use after free or a leak into a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace Quarn::Testing {
namespace {

const std::string kHeader =
    "[Script Info]\r\nTitle: stress\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\n"
    "Style: Default,Arial\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";

std::string stamp(unsigned ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u:%02u.%02u", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms / 10 % 100);
  return text;
}

/// A host that attaches its clock to every stream it is shown and keeps the
/// streams for the reader threads; it destroys them only after the joins.
class RecordingHost : public FakeContainerHost {
 public:
  void streamAdded(StreamInterface& stream) override {
    FakeContainerHost::streamAdded(stream);
    stream.setConsumer(&clock);
    std::lock_guard<std::mutex> guard(streamsMutex_);
    if (std::find(streams_.begin(), streams_.end(), &stream) == streams_.end())
      streams_.push_back(&stream);
  }
  /// The newest stream or, as often, any stream offered so far; null if none.
  StreamInterface* pick(unsigned random) {
    std::lock_guard<std::mutex> guard(streamsMutex_);
    if (streams_.empty())
      return nullptr;
    return random % 2 == 0 ? streams_.back() : streams_[random / 2 % streams_.size()];
  }
  std::size_t offeredCount() {
    std::lock_guard<std::mutex> guard(streamsMutex_);
    return streams_.size();
  }

  FakeConsumer clock{INT32_MAX};

 private:
  std::mutex streamsMutex_;
  std::vector<StreamInterface*> streams_;
};

TEST(ConcurrencyStress, HostThreadsShareOneContainer) {
  constexpr int kThreads = 4;
  constexpr int kSteps = 4000;
  constexpr unsigned kSeed = 20240611;

  char pattern[] = "/tmp/quarn-stress-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;

  // Every line the streams may hand out, by text; the times are in the text.
  std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> lines;
  auto script = [&](unsigned offset, int count) {
    std::string text = kHeader + "\r\n";
    for (int i = 0; i < count; ++i) {
      const unsigned start = offset + i * 700, duration = 300 + i * 10;
      const std::string line = "Dialogue: 0," + stamp(start) + "," + stamp(start + duration) +
                               ",Default,,0,0,0,,line " + std::to_string(offset + i);
      lines[line] = {start, duration};
      text += line + "\r\n";
    }
    return text;
  };
  std::vector<std::string> files;
  std::map<std::string, std::uint64_t> sizes;  // by path
  auto write = [&](const std::string& name, const std::string& bytes) {
    files.push_back(dir + "/" + name);
    sizes[files.back()] = bytes.size();
    std::ofstream(files.back(), std::ios::binary) << bytes;
    return "file://" + files.back();
  };
  // Locations with the result each open must give; a good script also fails
  // while a header is held.
  const std::vector<std::pair<std::string, Result>> locations = {
      {write("a.ass", script(0, 30)), ResultOk},
      {write("b.ssa", script(50, 20)), ResultOk},
      {write("no-events.ass", kHeader + "\r\n"), ResultFailed},
      {write("info-only.ass", "[Script Info]\r\nTitle: x\r\n"), ResultFailed},
      {write("film.txt", script(0, 3)), ResultFailed},
      {"file://" + dir + "/missing.ass", ResultFailed},
      {"http://example.org/film.ass", ResultBadLocation},
      {"file:///x%zz.ass", ResultBadLocation}};
  const std::string missing = dir + "/missing.ass";

  FakePluginHost pluginHost;
  RecordingHost host;
  Plugin* plugin = nullptr;
  ASSERT_EQ(getPlugin(&pluginHost, &plugin), ResultOk);
  ASSERT_NE(plugin, nullptr);
  void* face = nullptr;
  ASSERT_EQ(plugin->queryInterface(String<char>(kContainerInterfaceId), &face), ResultOk);
  auto* container = static_cast<ContainerInterface*>(face);
  container->setHost(&host, 7);
  // takeHeader is the component's own slot; a host reaches it through a stream.
  auto* component = static_cast<SSAContainer*>(plugin);

  // Per-thread tallies: shared atomic counters would order the threads' steps.
  struct Tally {
    int opened = 0, headers = 0, chunks = 0;
  };
  std::vector<Tally> tallies(kThreads);
  std::atomic<int> faults{0};
  std::atomic<std::uint64_t> programSeen{0};
  auto fault = [&](int thread, int step, const char* what) {
    if (++faults <= 10)
      ADD_FAILURE() << what << " (thread " << thread << ", step " << step << ")";
  };
  FakeConsumer clocks[] = {FakeConsumer(INT32_MAX), FakeConsumer(9000), FakeConsumer(-1)};

  // Every thread asks for the programme id and selects it, as a host does.
  auto selectProgramme = [&](int thread, int step) {
    const std::uint64_t id = container->getProgramIds().head()->value;
    std::uint64_t first = 0;
    if (!programSeen.compare_exchange_strong(first, id) && first != id)
      fault(thread, step, "getProgramIds gave two different ids");
    if (container->selectProgram(id) != ResultOk)
      fault(thread, step, "selectProgram refused the programme id");
  };
  std::atomic<bool> go{false};
  auto run = [&](int thread) {
    std::minstd_rand random(kSeed + thread);
    Tally& tally = tallies[thread];
    // Released together, so that the first programme id is asked for at once.
    while (!go)
      std::this_thread::yield();
    selectProgramme(thread, -1);
    for (int step = 0; step < kSteps; ++step) {
      const unsigned op = random() % 18;  // 13 and up: readStream
      // Only calls that need a stream take the host's lock, which would
      // otherwise order every step of every thread.
      StreamInterface* stream = op == 3 || op >= 8 ? host.pick(random()) : nullptr;
      if (op >= 8 && stream == nullptr)
        continue;
      std::uint32_t at = 0;
      switch (op) {
        case 0: {
          const auto& [location, expected] = locations[random() % locations.size()];
          const String<unsigned char> text(location.c_str());
          SourceDescriptor source;
          source.location = &text;
          const Result r = container->open(&source);
          tally.opened += r == ResultOk;
          if (r != expected && !(expected == ResultOk && r == ResultFailed))
            fault(thread, step, "open gave an unexpected result");
          break;
        }
        case 1: {
          const std::string path = container->getSourcePath().toStdString();
          if (!path.empty() && sizes.count(path) == 0 && path != missing)
            fault(thread, step, "getSourcePath names no location opened");
          break;
        }
        case 2: {
          std::uint64_t size = 0;
          if (container->getSourceSize(&size) == ResultOk &&
              std::none_of(sizes.begin(), sizes.end(), [&](auto& s) { return s.second == size; }))
            fault(thread, step, "getSourceSize gave no file's size");
          break;
        }
        case 3: {
          List<MediaBuffer*> taken;
          // From the component itself or through a stream, which forwards.
          if (!(stream != nullptr && random() % 2 ? stream->takeHeader(taken)
                                                  : component->takeHeader(taken)))
            break;
          ++tally.headers;
          MediaBuffer* header = taken.head()->value;
          unsigned char* block = header->lockData();
          if (taken.count() != 1 || header->length() != kHeader.size() + 1 ||
              header->capacity() != header->length() || block[kHeader.size()] != 0 ||
              std::string(reinterpret_cast<char*>(block), kHeader.size()) != kHeader)
            fault(thread, step, "takeHeader handed over a wrong header");
          delete[] block;
          header->unlockData();
          delete header;
          break;
        }
        case 4:
          if (container->discardHeader() != ResultOk)
            fault(thread, step, "discardHeader failed");
          break;
        case 5:
          selectProgramme(thread, step);
          break;
        case 6:
          if (container->closeStreams(false) != ResultOk)
            fault(thread, step, "closeStreams failed");
          break;
        case 7: {
          // Bursts of references held at once, above the test's own one.
          const int burst = 1 + static_cast<int>(random() % 32);
          for (int i = 0; i < burst; ++i)
            if (plugin->retain() < 2 + i)
              fault(thread, step, "retain lost a reference");
          for (int i = burst; i > 0; --i)
            if (plugin->release() < i)
              fault(thread, step, "release lost a reference");
          break;
        }
        case 8:
          stream->seekStream(static_cast<std::uint32_t>(random() % 25000), &at, 0);
          break;
        case 9: {
          static constexpr std::int32_t kRates[] = {1000, -1000, 2000, -500};
          stream->setRate(kRates[random() % 4]);
          break;
        }
        case 10:
          stream->findSyncPoint(0, static_cast<std::uint32_t>(random() % 25000), &at);
          break;
        case 11:
          stream->rewind();
          break;
        case 12:
          stream->setConsumer(&clocks[random() % 3]);
          break;
        default: {
          MediaChunk* chunk = nullptr;
          const Result r = stream->readStream(&chunk);
          if (chunk == nullptr) {
            if (r != ResultOk && r != ResultUnavailable)
              fault(thread, step, "readStream failed");
            break;
          }
          const std::uint32_t length = chunk->length();
          const std::string text(reinterpret_cast<const char*>(chunk->data()),
                                 length > 0 ? length - 1 : 0);
          const auto line = lines.find(text);
          if (r != ResultOk || length == 0 || length != chunk->capacity() ||
              chunk->data()[length - 1] != 0 || line == lines.end() ||
              line->second != std::make_pair(chunk->timestamp, chunk->duration))
            fault(thread, step, "readStream handed out no exact copy of a line");
          ++tally.chunks;
          chunk->release();
          break;
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back(run, i);
  go = true;
  for (std::thread& t : threads)
    t.join();

  Tally total;
  for (const Tally& t : tallies) {
    total.opened += t.opened;
    total.headers += t.headers;
    total.chunks += t.chunks;
  }
  EXPECT_EQ(faults.load(), 0) << "seed " << kSeed;
  EXPECT_GT(total.opened, 0);
  EXPECT_GT(total.headers, 0);
  EXPECT_GT(total.chunks, 0);
  EXPECT_EQ(plugin->getReferenceCount(), 1);

  // The host's part of the shutdown: every stream it was shown is withdrawn
  // and only now, with no thread left to use it, destroyed.
  EXPECT_EQ(container->closeStreams(false), ResultOk);
  EXPECT_EQ(host.destroyRemovedStreams(), static_cast<int>(host.offeredCount()));
  EXPECT_EQ(container->discardHeader(), ResultOk);
  EXPECT_EQ(plugin->release(), 0);
  EXPECT_EQ(pluginHost.log.count("pluginDestroyed"), 1u);
  for (const std::string& f : files)
    std::remove(f.c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace Quarn::Testing
