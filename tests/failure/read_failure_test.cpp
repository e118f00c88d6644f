// Reading a stream while each allocation of a read in turn fails. A read
// that throws must hand out nothing and keep its position, so that in the
// end every entry is read once, in order, and every allocation is given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "failure/FailureCycle.h"
#include "text/TempFolder.h"

namespace Quarn::Testing {
namespace {

// More reads than this means the stream never reached its end.
constexpr int kMaxReads = 64;
// A guard against a read that keeps reaching its armed allocation forever.
constexpr std::int64_t kMaxAllocations = 1000;

struct ReadRun {
  bool opened = false;
  bool reached = false;           // some read reached its armed allocation
  int throws = 0;                 // reads that threw std::bad_alloc
  bool handedOutOnThrow = false;  // a read that threw still stored a chunk
  bool unclear = false;           // another exception, or an unexpected result
  std::vector<int> order;         // per chunk read: its index among the expected entries, or -1
  std::int64_t leaked = 0;        // allocations still live after the whole cycle
};

// One container's life: open, offer the stream, read it to the end with each
// read armed with k, except the one right after a throw, then tear down. The
// findings are plain values reserved up front, so they hold no allocation of
// the cycle's making.
ReadRun readCycle(const std::string& url, const std::vector<std::string>& expected,
                  std::int64_t k) {
  ReadRun run;
  run.order.reserve(kMaxReads);
  // Held until the end, as a host that queues them does: a chunk given back
  // before the next read would come out again without an allocation.
  std::vector<MediaChunk*> held;
  held.reserve(kMaxReads);
  const std::int64_t before = FailingNew::live();
  {
    ContainerCycle cycle;
    SSAContainer& container = *cycle.container;
    FakeConsumer consumer(INT32_MAX);
    run.opened = outcomeName(cycle.open(url)) == "ResultOk" &&
                 container.selectProgram(container.getProgramIds().head()->value) == ResultOk &&
                 cycle.host.offered != nullptr;
    StreamInterface* stream = run.opened ? cycle.host.offered : nullptr;
    if (stream != nullptr)
      stream->setConsumer(&consumer);
    bool armed = true;
    for (int reads = 0; stream != nullptr && reads < kMaxReads; ++reads) {
      MediaChunk* chunk = nullptr;
      const ArmedCall read = callArmed(armed ? k : 0, [&] { return stream->readStream(&chunk); });
      run.reached = run.reached || read.reached;
      // After a throw the next read is unarmed: it must return the same entry.
      armed = !read.badAlloc;
      if (read.badAlloc) {
        ++run.throws;
        run.handedOutOnThrow = run.handedOutOnThrow || chunk != nullptr;
        continue;
      }
      if (read.otherThrow || read.result != ResultOk) {
        run.unclear = true;
        break;
      }
      if (chunk == nullptr)
        break;
      const std::string_view text(reinterpret_cast<const char*>(chunk->data()),
                                  chunk->length() - 1);
      const auto found = std::find(expected.begin(), expected.end(), text);
      run.order.push_back(found == expected.end() ? -1
                                                  : static_cast<int>(found - expected.begin()));
      held.push_back(chunk);
    }
    for (MediaChunk* chunk : held)
      chunk->release();
  }
  run.leaked = FailingNew::live() - before;
  return run;
}

TEST(ReadFailure, EveryAllocationFailureKeepsThePosition) {
  TempFolder folder;
  const std::string url = "file://" + folder.write("film.ass", failureScript("\xC3\xA9"));
  const std::vector<std::string> expected = failureScriptEntries();
  const std::vector<int> inOrder = {0, 1, 2};

  // Unarmed and untimed, so that singletons are made outside the cycles.
  const ReadRun warmUp = readCycle(url, expected, 0);
  ASSERT_TRUE(warmUp.opened);
  ASSERT_EQ(warmUp.order, inOrder);

  std::int64_t k = 1;
  for (; k < kMaxAllocations; ++k) {
    SCOPED_TRACE("k=" + std::to_string(k));
    const ReadRun run = readCycle(url, expected, k);
    ASSERT_TRUE(run.opened);
    EXPECT_FALSE(run.unclear) << "a read ended in neither a chunk, the end nor bad_alloc";
    EXPECT_FALSE(run.handedOutOnThrow) << "a read that threw stored a chunk";
    EXPECT_EQ(run.order, inOrder) << "every entry once, in order, across " << run.throws
                                  << " failed reads";
    EXPECT_EQ(run.leaked, 0) << "allocations left after the cycle";
    EXPECT_EQ(run.throws > 0, run.reached) << "a failed allocation must surface as bad_alloc";
    if (!run.reached)
      break;
  }
  EXPECT_GT(k, 1) << "a read allocates";
  EXPECT_LT(k, kMaxAllocations);
}

}  // namespace
}  // namespace Quarn::Testing
