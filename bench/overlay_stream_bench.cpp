// The stream of a script of 1,000,000 entries of 80-byte lines, opened
// through the container's host face: reading one chunk (with the heap
// allocations it costs), and seeking or finding a sync point at random times.
// Reading is timed once more with a second thread alive, as in any host.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CountingNew.h"
#include "ScriptGenerator.h"
#include "framework/List.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace {

constexpr std::size_t kEntries = 1000000;
constexpr std::size_t kLineBytes = 80;
constexpr std::uint32_t kSpacingMs = 1000;

/// Keeps the stream the container offers, as a host does.
class StreamKeepingHost : public Quarn::Testing::FakeContainerHost {
 public:
  void streamAdded(Quarn::StreamInterface& stream) override {
    FakeContainerHost::streamAdded(stream);
    this->stream = &stream;
  }
  Quarn::StreamInterface* stream = nullptr;
};

/// A host clock that has run past every entry. The tests' consumer counts
/// its queries in an atomic, which would add two locked instructions to each
/// read timed here; a host's clock read on the reading thread has none.
class PastTheEndClock : public Quarn::StreamConsumer {
 public:
  std::int32_t getMediaTime() override { return INT32_MAX; }
};

// A script of kEntries lines of exactly kLineBytes bytes (CRLF not counted),
// one a second, lasting 0.5 to 4 seconds so that entries overlap.
std::string writeScript() {
  const char* folder = std::getenv("TMPDIR");
  // The container knows a script by its extension.
  std::string path = std::string(folder != nullptr ? folder : "/tmp") + "/quarn-stream-XXXXXX.ass";
  const int fd = mkstemps(path.data(), 4);
  if (fd < 0)
    return {};
  close(fd);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr)
    return {};
  std::fputs(
      "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
      "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n",
      out);
  QuarnBench::Random random(80);
  char line[256];
  for (std::size_t i = 0; i < kEntries; ++i) {
    const std::uint32_t start = static_cast<std::uint32_t>(i) * kSpacingMs / 10;
    const std::uint32_t end = start + random.range(50, 400);
    int n = std::snprintf(line, sizeof line,
                          "Dialogue: 0,%u:%02u:%02u.%02u,%u:%02u:%02u.%02u,"
                          "Default,,0,0,0,,",
                          start / 360000, start / 6000 % 60, start / 100 % 60, start % 100,
                          end / 360000, end / 6000 % 60, end / 100 % 60, end % 100);
    for (; static_cast<std::size_t>(n) < kLineBytes; ++n)
      line[n] = static_cast<char>('a' + (i + static_cast<std::size_t>(n)) % 26);
    std::fwrite(line, 1, kLineBytes, out);
    std::fputs("\r\n", out);
  }
  if (std::fclose(out) != 0)
    return {};
  return path;
}

struct Table {
  Table() {
    const std::string path = writeScript();
    const Quarn::String<unsigned char> location(("file://" + path).c_str());
    Quarn::SourceDescriptor source;
    source.location = &location;
    container.setHost(&host, 1);
    const bool opened = !path.empty() && container.open(&source) == Quarn::ResultOk;
    std::remove(path.c_str());
    if (opened) {
      const Quarn::List<unsigned long long> ids = container.getProgramIds();
      if (!ids.isEmpty())
        container.selectProgram(ids.head()->value);
    }
    if (host.stream == nullptr)
      return;
    host.stream->setConsumer(&consumer);
    // Read through once: the stream must serve every line, 80 bytes each.
    for (Quarn::MediaChunk* chunk = nullptr;
         host.stream->readStream(&chunk) == Quarn::ResultOk && chunk != nullptr;) {
      complete = complete && chunk->length() == kLineBytes + 1;
      ++entries;
      chunk->release();
    }
    complete = complete && entries == kEntries;
  }

  Quarn::Testing::FakePluginHost pluginHost;
  StreamKeepingHost host;
  Quarn::SSAContainer container{&pluginHost};
  PastTheEndClock consumer;
  std::size_t entries = 0;
  bool complete = true;
};

// Built once and never destroyed: the benchmarks share it.
Quarn::StreamInterface* stream(benchmark::State& state) {
  static Table* table = new Table();
  if (table->host.stream == nullptr || !table->complete) {
    state.SkipWithError("the stream does not serve 1,000,000 entries of 80 bytes");
    return nullptr;
  }
  return table->host.stream;
}

std::vector<std::uint32_t> randomTimes() {
  std::mt19937 random(11);
  std::vector<std::uint32_t> times(4096);
  for (std::uint32_t& t : times)
    t = static_cast<std::uint32_t>(random() % (kEntries * kSpacingMs + 5000));
  return times;
}

void readChunks(benchmark::State& state) {
  Quarn::StreamInterface* s = stream(state);
  if (s == nullptr)
    return;
  s->rewind();
  long reads = 0;
  const long before = QuarnBench::allocations;
  for (auto _ : state) {
    Quarn::MediaChunk* chunk = nullptr;
    s->readStream(&chunk);
    if (chunk == nullptr) {
      s->rewind();
      continue;
    }
    benchmark::DoNotOptimize(chunk->data());
    chunk->release();
    ++reads;
  }
  state.SetItemsProcessed(reads);
  state.counters["allocs_per_read"] =
      reads != 0
          ? static_cast<double>(QuarnBench::allocations - before) / static_cast<double>(reads)
          : 0;
}

void BM_ReadStream(benchmark::State& state) {
  readChunks(state);
}
BENCHMARK(BM_ReadStream);

// Times `query(stream, time)` at random times; its answer is kept alive.
template <class Query>
void timeQueries(benchmark::State& state, Query query) {
  Quarn::StreamInterface* s = stream(state);
  if (s == nullptr)
    return;
  const std::vector<std::uint32_t> times = randomTimes();
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(query(*s, times[i++ % times.size()]));
  state.SetItemsProcessed(state.iterations());
}

void BM_SeekStream(benchmark::State& state) {
  timeQueries(state, [](Quarn::StreamInterface& s, std::uint32_t time) {
    std::uint32_t reached = 0;
    s.seekStream(time, &reached, 0);
    return reached;
  });
}
BENCHMARK(BM_SeekStream);

void BM_FindSyncPoint(benchmark::State& state) {
  timeQueries(state, [](Quarn::StreamInterface& s, std::uint32_t time) {
    std::uint32_t point = 0;
    s.findSyncPoint(0, time, &point);
    return point;
  });
}
BENCHMARK(BM_FindSyncPoint);

/// A thread that only waits until it is let go, as a host's other threads
/// do while one of them reads.
class IdleThread {
 public:
  IdleThread()
      : thread_([this] {
          std::unique_lock<std::mutex> lock(mutex_);
          wake_.wait(lock, [this] { return done_; });
        }) {}
  ~IdleThread() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

// Once a process has had a second thread, glibc's allocator and stdio keep
// to their locked paths for good: registered last, so that the benchmarks
// above run single-threaded (unless --benchmark_enable_random_interleaving).
void BM_ReadStreamWithHostThread(benchmark::State& state) {
  IdleThread host;
  readChunks(state);
}
BENCHMARK(BM_ReadStreamWithHostThread);

}  // namespace
