// Reading and seeking an overlay stream of 100,000 entries of about 80 bytes,
// with the heap allocations each read costs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "CountingNew.h"
#include "plugin/SSAContainer.h"
#include "subtitle/OverlayStream.h"
#include "support/FakeHost.h"

namespace {

using Quarn::MediaChunk;
using Stream = Quarn::SubtitleParserTemplate<Quarn::SSAContainer>::OverlayStream;

constexpr int kEntries = 100000;

// A container holding one stream of kEntries entries, 40 to 120 bytes each.
struct Table {
  Table() {
    container.setHost(&host, 1);
    std::mt19937 random(7);
    std::vector<Quarn::ChunkPtr> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
      const std::uint32_t size = 40 + random() % 81;
      auto* block = new unsigned char[size];
      std::memset(block, 'a' + i % 26, size - 1);
      block[size - 1] = 0;
      Quarn::ChunkPtr chunk(container.bufferAllocator()->createChunk(block, size));
      chunk->length() = size;
      chunk->timestamp = static_cast<std::uint32_t>(i) * 1500;
      chunk->duration = 2000;
      entries.push_back(std::move(chunk));
    }
    stream = container.addOverlayStream(std::move(entries), Quarn::String<unsigned char>("b.ass"),
                                        Quarn::String<char>(), Quarn::String<char>());
    stream->setConsumer(&consumer);
  }

  Quarn::Testing::FakePluginHost pluginHost;
  Quarn::Testing::FakeContainerHost host;
  Quarn::SSAContainer container{&pluginHost};
  Quarn::Testing::FakeConsumer consumer{INT32_MAX};
  Stream* stream = nullptr;
};

Table& table() {
  static Table* t = new Table();
  return *t;
}

void BM_ReadStreamForward(benchmark::State& state) {
  Stream* stream = table().stream;
  stream->rewind();
  long reads = 0;
  const long before = QuarnBench::allocations;
  for (auto _ : state) {
    MediaChunk* chunk = nullptr;
    stream->readStream(&chunk);
    if (chunk == nullptr) {
      stream->rewind();
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
BENCHMARK(BM_ReadStreamForward);

void BM_SeekStream(benchmark::State& state) {
  Stream* stream = table().stream;
  std::mt19937 random(11);
  std::vector<std::uint32_t> targets(4096);
  for (std::uint32_t& t : targets)
    t = random() % (kEntries * 1500u);
  std::size_t i = 0;
  for (auto _ : state) {
    std::uint32_t reached = 0;
    stream->seekStream(targets[i++ % targets.size()], &reached, 0);
    benchmark::DoNotOptimize(reached);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SeekStream);

}  // namespace
