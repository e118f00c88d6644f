// Several host threads on one stream while another selects the programme and
// finally closes the streams. Run under ThreadSanitizer by `make test-tsan`.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <random>
#include <thread>

#include "subtitle/StreamFixture.h"

namespace Quarn::Testing {
namespace {

class StreamConcurrencyTest : public StreamFixture {};

TEST_F(StreamConcurrencyTest, HostThreadsShareOneStream) {
  constexpr int kEntries = 200;
  constexpr int kReaders = 3;
  constexpr int kSteps = 3000;

  std::vector<EntryRow> rows;
  for (int i = 0; i < kEntries; ++i) {
    // Unique start times identify the entry a chunk was copied from.
    rows.push_back({static_cast<std::uint32_t>(i * 10), static_cast<std::uint32_t>(5 + i % 7),
                    "Dialogue: 0,entry " + std::to_string(i) + std::string(i % 50, 'x')});
  }
  Stream* stream = addStream(rows);
  const std::uint64_t program = container.getProgramIds().head()->value;

  FakeConsumer consumers[kReaders] = {FakeConsumer(INT32_MAX), FakeConsumer(1000),
                                      FakeConsumer(-1)};
  std::atomic<int> handedOut{0};
  std::atomic<int> mismatches{0};
  std::atomic<bool> closed{false};

  auto reader = [&](int seed) {
    std::minstd_rand random(static_cast<unsigned>(seed) + 1);
    for (int step = 0; step < kSteps; ++step) {
      switch (random() % 8) {
        case 0:
        case 1:
        case 2: {
          MediaChunk* chunk = nullptr;
          const Result r = stream->readStream(&chunk);
          if (chunk == nullptr) {
            if (r != ResultOk && r != ResultUnavailable)
              ++mismatches;
            break;
          }
          const std::uint32_t index = chunk->timestamp / 10;
          const bool exact = chunk->timestamp % 10 == 0 && index < kEntries &&
                             chunk->duration == rows[index].duration &&
                             chunk->length() == rows[index].text.size() + 1 &&
                             chunk->capacity() == chunk->length() &&
                             text(chunk) == rows[index].text &&
                             chunk->data()[chunk->length() - 1] == 0;
          if (!exact)
            ++mismatches;
          ++handedOut;
          chunk->release();
          break;
        }
        case 3: {
          std::uint32_t reached = 0;
          stream->seekStream(static_cast<std::uint32_t>(random() % (kEntries * 10 + 100)), &reached,
                             0);
          break;
        }
        case 4: {
          std::uint32_t at = 0;
          stream->findSyncPoint(0, static_cast<std::uint32_t>(random() % (kEntries * 10)), &at);
          break;
        }
        case 5:
          stream->setConsumer(&consumers[random() % kReaders]);
          break;
        case 6:
          stream->rewind();
          break;
        case 7: {
          static constexpr std::int32_t kRates[] = {1000, -1000, 0, 2000};
          stream->setRate(kRates[random() % 4]);
          stream->getRate();
          stream->getExtraValue();
          break;
        }
      }
    }
  };

  std::vector<std::thread> threads;
  for (int i = 0; i < kReaders; ++i)
    threads.emplace_back(reader, i);
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i) {
      if (container.selectProgram(program) != ResultOk)
        ++mismatches;
      std::this_thread::yield();
    }
    if (container.closeStreams(false) != ResultOk)
      ++mismatches;
    closed = true;
  });
  for (std::thread& t : threads)
    t.join();

  EXPECT_TRUE(closed.load());
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_GT(handedOut.load(), 0);
  EXPECT_EQ(stream->entryCount(), 0u);
  EXPECT_EQ(host.log.count("streamRemoved"), 1u);
  EXPECT_EQ(host.destroyRemovedStreams(), 1);
}

}  // namespace
}  // namespace Quarn::Testing
