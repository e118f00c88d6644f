// Reading, seeking and sync points of the overlay stream.
#include <gtest/gtest.h>

#include <climits>

#include "subtitle/StreamFixture.h"
#include "support/LogCapture.h"

namespace Quarn::Testing {
namespace {

constexpr const char* kSeekFunction =
    "Quarn::SubtitleParserTemplate<class Quarn::SSAContainer>::OverlayStream::seekStream";
constexpr const char* kReadFunction =
    "Quarn::SubtitleParserTemplate<class Quarn::SSAContainer>::OverlayStream::readStream";

class OverlayStreamTest : public StreamFixture {
 protected:
  // Entries at 1000-3000 ms and 5000-6000 ms.
  Stream* twoEntries() {
    Stream* s = addStream({{5000, 1000, "second"}, {1000, 2000, "first"}});
    s->setConsumer(&consumer);
    return s;
  }

  /// Reads one chunk, checks the result, and returns its text ("" for none).
  std::string read(Stream* s, Result expected = ResultOk) {
    MediaChunk* chunk = reinterpret_cast<MediaChunk*>(0x1);
    EXPECT_EQ(s->readStream(&chunk), expected);
    if (chunk == nullptr)
      return "";
    const std::string t = text(chunk);
    chunk->release();
    return t;
  }

  FakeConsumer consumer{0};
};

TEST_F(OverlayStreamTest, DescribesItself) {
  Stream* s = twoEntries();
  EXPECT_EQ(std::memcmp(s->getFormat().tag, "SSA\0\0", 5), 0);
  EXPECT_EQ(s->getFormat().formatCode, 20);
  EXPECT_EQ(s->getFormat().kind, 4);
  EXPECT_EQ(s->getFormat().variant, 0);
  const ImageProperties& p = s->getProperties();
  EXPECT_EQ(p.width, 640);
  EXPECT_EQ(p.height, 480);
  EXPECT_EQ(p.factor1 + p.factor2 + p.factor3, 3);
  EXPECT_EQ(p.intRegion.right, 0);
  EXPECT_FALSE(p.flag);
  EXPECT_EQ(s->getStreamType(), 320u);
  EXPECT_EQ(s->getKindFlags(), 0u);
  EXPECT_EQ(s->getRate(), 1000);
  EXPECT_EQ(s->containerId(), 0xC0FFEEu);
  EXPECT_EQ(s->reservedA(), ResultOk);
  EXPECT_EQ(s->reservedB(), ResultOk);
  EXPECT_EQ(s->getLinkedStreams(0).count(), 0);
}

TEST_F(OverlayStreamTest, GetDescriptionWritesOnlyNonEmptyTexts) {
  Stream* named = addStream({}, "", "", "film.ass");
  String<unsigned char> name;
  String<char> language("keep");
  String<char> region("keep");
  EXPECT_TRUE(named->getDescription(&name, &language, &region, 0));
  EXPECT_TRUE(name.equals("film.ass"));
  EXPECT_TRUE(language.equals("keep"));
  EXPECT_TRUE(region.equals("keep"));
  EXPECT_TRUE(named->getDescription(nullptr, nullptr, nullptr, 0) == false);

  Stream* anonymous = addStream({}, "", "", "");
  EXPECT_FALSE(anonymous->getDescription(&name, &language, &region, 0));
  EXPECT_TRUE(name.equals("film.ass"));

  Stream* full = addStream({}, "pt", "BR", "x");
  EXPECT_TRUE(full->getDescription(nullptr, &language, &region, 0));
  EXPECT_TRUE(language.equals("pt"));
  EXPECT_TRUE(region.equals("BR"));
}

TEST_F(OverlayStreamTest, EntryBecomesDue500msBeforeItsStart) {
  LogCapture log;
  Stream* s = twoEntries();
  consumer.mediaTime = 499;
  EXPECT_EQ(read(s, ResultUnavailable), "");
  EXPECT_EQ(s->readIndex(), 0);

  consumer.mediaTime = 500;
  MediaChunk* chunk = nullptr;
  ASSERT_EQ(s->readStream(&chunk), ResultOk);
  ASSERT_NE(chunk, nullptr);
  EXPECT_EQ(text(chunk), "first");
  EXPECT_EQ(chunk->length(), 6u);
  EXPECT_EQ(chunk->capacity(), 6u);
  EXPECT_EQ(chunk->timestamp, 1000u);
  EXPECT_EQ(chunk->duration, 2000u);
  EXPECT_EQ(&chunk->allocator(), &container.handOutAllocator())
      << "copies come from the allocator that may outlive the component";
  EXPECT_NE(chunk->data(), nullptr);
  chunk->release();
  EXPECT_EQ(s->getExtraValue(), 3000);
  EXPECT_EQ(s->readIndex(), 1);

  if (LogCapture::available()) {
    const std::vector<LogLine> lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].category, "Subtitle");
    EXPECT_EQ(lines[0].function, kReadFunction);
    EXPECT_GT(lines[0].line, 0);
    EXPECT_EQ(lines[0].message, "PARSED(Sub=0): timestamp=1000 duration=2000 mediatime=500");
  }
}

TEST_F(OverlayStreamTest, NoClockMeansNothingIsAvailable) {
  Stream* s = addStream({{0, 10, "a"}});
  EXPECT_EQ(read(s, ResultUnavailable), "") << "no consumer";
  EXPECT_EQ(s->setConsumer(nullptr), ResultUnavailable);
  FakeConsumer negative(-1);
  EXPECT_EQ(s->setConsumer(&negative), ResultOk);
  EXPECT_EQ(read(s, ResultUnavailable), "");
  EXPECT_EQ(s->setConsumer(nullptr), ResultUnavailable);
  EXPECT_EQ(read(s, ResultUnavailable), "") << "null keeps the earlier consumer";
  negative.mediaTime = 0;
  EXPECT_EQ(read(s), "a");
  EXPECT_EQ(s->readStream(nullptr), ResultFailed);
}

// The media time stops at 2147483647 ms, so an entry starting more than
// 500 ms later never falls due: the read waits for good, past no overflow.
TEST_F(OverlayStreamTest, AnEntryPastTheLatestTimeAndLeadIsNeverDue) {
  Stream* s = addStream({{2147484147u, 1, "last due"}, {2147484148u, 1, "never"}});
  s->setConsumer(&consumer);
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "last due");
  EXPECT_EQ(read(s, ResultUnavailable), "");
  EXPECT_EQ(s->readIndex(), 1) << "the position stays on the entry";
}

TEST_F(OverlayStreamTest, LateEntriesAreNeverSkippedAndOverlapsKeepTableOrder) {
  Stream* s = addStream({{1000, 5000, "long"}, {2000, 500, "inside"}, {9000, 1, "later"}});
  s->setConsumer(&consumer);
  consumer.mediaTime = 100000;
  EXPECT_EQ(read(s), "long");
  EXPECT_EQ(read(s), "inside");
  EXPECT_EQ(read(s), "later");
  EXPECT_EQ(read(s), "") << "end of stream: ResultOk without a chunk";
  EXPECT_EQ(read(s), "");

  std::uint32_t reached = 0;
  EXPECT_EQ(s->seekStream(2200, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 1000u) << "a seek into the overlap lands on the earlier entry";
}

TEST_F(OverlayStreamTest, EntriesAreSortedAndEqualStartsAllArrive) {
  Stream* s = addStream({{500, 1, "c"}, {100, 1, "a"}, {300, 1, "b"}, {300, 1, "b"}});
  s->setConsumer(&consumer);
  consumer.mediaTime = INT32_MAX;
  std::vector<std::string> got;
  for (std::string t = read(s); !t.empty(); t = read(s))
    got.push_back(t);
  EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "b", "c"}));
}

TEST_F(OverlayStreamTest, ForwardSeeks) {
  Stream* s = twoEntries();
  LogCapture log;
  std::uint32_t reached = 0;
  EXPECT_EQ(s->seekStream(2500, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 1000u);
  EXPECT_EQ(s->readIndex(), 0);
  EXPECT_EQ(s->seekStream(3000, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 1000u) << "an entry ending exactly at the time still qualifies";
  EXPECT_EQ(s->seekStream(3500, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 5000u);
  EXPECT_EQ(s->readIndex(), 1);
  EXPECT_EQ(s->seekStream(7000, nullptr, 0), ResultOk);
  EXPECT_EQ(s->seekStream(7000, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 6001u);
  EXPECT_EQ(s->readIndex(), 2);
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "");

  if (LogCapture::available()) {
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  "Subtitle Stream: seeked to 1000",
                                  "Subtitle Stream: seeked to 1000",
                                  "Subtitle Stream: seeked to 5000",
                                  "Subtitle Stream: seeked to end",
                                  "Subtitle Stream: seeked to end",
                              }));
    EXPECT_EQ(log.lines()[0].category, "Container");
    EXPECT_EQ(log.lines()[0].function, kSeekFunction);
    EXPECT_NE(log.lines()[0].line, log.lines()[3].line) << "two statements, two source lines";
  }
}

TEST_F(OverlayStreamTest, BackwardSeeksAndReads) {
  Stream* s = twoEntries();
  EXPECT_TRUE(s->setRate(-1000));
  LogCapture log;
  std::uint32_t reached = 0;
  EXPECT_EQ(s->seekStream(5500, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 5000u);
  EXPECT_EQ(s->readIndex(), 1);
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "second");
  EXPECT_EQ(read(s), "first");
  EXPECT_EQ(s->readIndex(), -1);
  EXPECT_EQ(read(s), "") << "backward reading ends below the first entry";

  EXPECT_EQ(s->seekStream(1000, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 0u) << "nothing starts before 1000";
  EXPECT_EQ(s->readIndex(), 0);
  if (LogCapture::available()) {
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  "Subtitle Stream: seeked to 5000",
                  "PARSED(Sub=0): timestamp=5000 duration=1000 mediatime=2147483647",
                  "PARSED(Sub=0): timestamp=1000 duration=2000 mediatime=2147483647",
                  "Subtitle Stream: seeked to 1000",
              }));
  }
  EXPECT_EQ(s->rewind(), ResultOk);
  EXPECT_EQ(s->readIndex(), 1) << "backward rewind goes to the last entry";
}

TEST_F(OverlayStreamTest, SyncPoints) {
  Stream* s = twoEntries();
  std::uint32_t at = 0;
  EXPECT_EQ(s->findSyncPoint(0, 2500, &at), ResultOk);
  EXPECT_EQ(at, 5000u);
  EXPECT_EQ(s->findSyncPoint(0, 1000, &at), ResultOk);
  EXPECT_EQ(at, 1000u);
  EXPECT_EQ(s->findSyncPoint(0, 5001, &at), ResultOk);
  EXPECT_EQ(at, 6000u) << "past the last start: the end of the last entry, no +1";
  EXPECT_EQ(s->findSyncPoint(0, 0, nullptr), ResultFailed);

  s->setRate(-1000);
  const std::int32_t position = s->readIndex();
  EXPECT_EQ(s->findSyncPoint(0, 5500, &at), ResultOk);
  EXPECT_EQ(at, 1000u);
  EXPECT_EQ(s->findSyncPoint(0, 3000, &at), ResultOk);
  EXPECT_EQ(at, 999u);
  EXPECT_EQ(s->readIndex(), position) << "never moves the read position";

  Stream* fromZero = addStream({{0, 100, "z"}});
  fromZero->setRate(-1000);
  EXPECT_EQ(fromZero->findSyncPoint(0, 50, &at), ResultOk);
  EXPECT_EQ(at, 4294967295u) << "0 - 1 wraps";

  Stream* empty = addStream({});
  EXPECT_EQ(empty->findSyncPoint(0, 1234, &at), ResultOk);
  EXPECT_EQ(at, 1234u);
}

// With nothing to land on, the answers come from the entry that starts last
// (in start order) and the first one, whatever the overlaps: a long entry
// starting earlier and ending later changes none of them.
TEST_F(OverlayStreamTest, NothingToLandOnAnswersFromTheLastAndFirstStarts) {
  // "long" 1000-6000 and "short" 2000-2500, which starts last and ends first.
  Stream* s = addStream({{1000, 5000, "long"}, {2000, 500, "short"}});
  struct Row {
    std::int32_t rate;
    bool seek;  // seekStream, else findSyncPoint
    std::uint32_t time;
    std::uint32_t expected;
  } const rows[] = {
      // Forward, past every end: the end of "short", plus 1 for a seek,
      // although "long" ends later and the time asked is later still.
      {1000, true, 7000, 2501},
      {1000, false, 2001, 2500},
      // Backward, with nothing ending (sync point) or starting (seek) before
      // the time: the first start minus 1, and 0 for a seek.
      {-1000, false, 1500, 999},
      {-1000, true, 1000, 0},
  };
  for (const Row& row : rows) {
    s->setRate(row.rate);
    std::uint32_t out = 7;
    const Result result =
        row.seek ? s->seekStream(row.time, &out, 0) : s->findSyncPoint(0, row.time, &out);
    EXPECT_EQ(result, ResultOk);
    EXPECT_EQ(out, row.expected) << (row.seek ? "seek " : "sync point ") << row.time << " at rate "
                                 << row.rate;
  }
}

// When each entry falls due after a rewind or a seek, in both directions.
// Every row starts from the end of a stream read through with the clock past
// every entry, then repositions, sets the clock and reads three times.
TEST_F(OverlayStreamTest, PacingAfterRewindOrSeekInBothDirections) {
  constexpr std::int64_t kRewind = -1;
  struct Row {
    std::int32_t rate;
    std::int64_t seekTo;  // or kRewind
    std::int32_t clock;
    const char* reads;
  } const rows[] = {
      // A rewind goes back to the first entry in the direction, whatever the
      // clock: with the clock past them all, every entry comes again at once.
      {1000, kRewind, INT32_MAX, "first second end"},
      {-1000, kRewind, INT32_MAX, "second first end"},
      // Backward, an entry still falls due 500 ms before its start, as
      // forward: "first" (1000-3000) comes out with the clock at 4500, long
      // before a clock running down reaches its end.
      {-1000, kRewind, 4499, "wait wait wait"},
      {-1000, kRewind, 4500, "second first end"},
      {-1000, 2000, 499, "wait wait wait"},
      {-1000, 2000, 500, "first end end"},
  };
  for (const Row& row : rows) {
    Stream* s = twoEntries();
    s->setRate(row.rate);
    consumer.mediaTime = INT32_MAX;
    while (!read(s).empty()) {
    }
    if (row.seekTo == kRewind)
      EXPECT_EQ(s->rewind(), ResultOk);
    else
      EXPECT_EQ(s->seekStream(static_cast<std::uint32_t>(row.seekTo), nullptr, 0), ResultOk);
    consumer.mediaTime = row.clock;
    std::string reads;
    for (int i = 0; i < 3; ++i) {
      MediaChunk* chunk = nullptr;
      const Result result = s->readStream(&chunk);
      reads += i == 0 ? "" : " ";
      if (chunk != nullptr) {
        reads += text(chunk);
        chunk->release();
      } else {
        reads += result == ResultUnavailable ? "wait" : result == ResultOk ? "end" : "?";
      }
    }
    EXPECT_EQ(reads, row.reads) << "rate " << row.rate << ", "
                                << (row.seekTo == kRewind ? std::string("rewind")
                                                          : "seek " + std::to_string(row.seekTo))
                                << ", clock " << row.clock;
  }
}

TEST_F(OverlayStreamTest, EmptyTableAndRateZero) {
  Stream* empty = addStream({});
  LogCapture log;
  std::uint32_t reached = 0;
  EXPECT_EQ(empty->seekStream(4321, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 4321u);
  EXPECT_TRUE(log.lines().empty()) << "no log line for an empty table";

  Stream* s = twoEntries();
  EXPECT_TRUE(s->setRate(0));
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "");
  reached = 77;
  EXPECT_EQ(s->seekStream(1000, &reached, 0), ResultFailed);
  EXPECT_EQ(reached, 77u);
  EXPECT_EQ(s->findSyncPoint(0, 1000, &reached), ResultFailed);
  EXPECT_EQ(reached, 77u);
}

TEST_F(OverlayStreamTest, SetRateRepositionsBeforeTheRateChanges) {
  Stream* s = twoEntries();
  EXPECT_TRUE(s->setRate(1000));
  EXPECT_EQ(s->readIndex(), 0) << "same rate: nothing happens";

  ASSERT_EQ(s->seekStream(3500, nullptr, 0), ResultOk);
  ASSERT_EQ(s->readIndex(), 1);
  LogCapture log;
  EXPECT_TRUE(s->setRate(-1000));
  // A forward seek to the entry's end (6000) keeps the position on it.
  EXPECT_EQ(s->readIndex(), 1);
  EXPECT_EQ(s->getRate(), -1000);
  if (LogCapture::available()) {
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Subtitle Stream: seeked to 5000"}));
  }
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "second");
  EXPECT_EQ(read(s), "first");

  // From rate 0 the seek fails and the position stays where it was.
  s->setRate(0);
  const std::int32_t before = s->readIndex();
  s->setRate(1000);
  EXPECT_EQ(s->readIndex(), before);
  EXPECT_EQ(s->rewind(), ResultOk);
  EXPECT_EQ(s->readIndex(), 0);
}

// After the entries are gone, no call order may read outside the table.
TEST_F(OverlayStreamTest, ClosedStreamNeverReadsOutsideItsTable) {
  Stream* s = twoEntries();
  container.selectProgram(container.getProgramIds().head()->value);
  ASSERT_EQ(container.closeStreams(false), ResultOk);
  EXPECT_EQ(s->entryCount(), 0u);
  consumer.mediaTime = INT32_MAX;
  EXPECT_EQ(read(s), "");

  s->setRate(-1000);
  EXPECT_EQ(s->rewind(), ResultOk);
  EXPECT_EQ(s->readIndex(), -1);
  EXPECT_TRUE(s->setRate(1000));
  EXPECT_EQ(read(s), "") << "position -1 under a positive rate is the end, not an entry";
  std::uint32_t reached = 0;
  EXPECT_EQ(s->seekStream(99, &reached, 0), ResultOk);
  EXPECT_EQ(reached, 99u);
}

TEST_F(OverlayStreamTest, TakeHeaderForwardsToTheContainer) {
  Stream* s = twoEntries();
  List<MediaBuffer*> headers;
  EXPECT_FALSE(s->takeHeader(headers)) << "no header held";
  EXPECT_EQ(headers.count(), 0);
}

}  // namespace
}  // namespace Quarn::Testing
