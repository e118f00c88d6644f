// The container and stream faces called out of the host's order. One row per
// operation gives its outcome in each state a host can leave things in, and
// when called twice in a row. An outcome is the call's answer, then the host
// callbacks it made, so that a repeated call that repeats its effects shows.
// Every case builds and tears down its own plug-in object, so the sanitizer
// run checks each for leaks and for use after free.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "robustness/MatrixSupport.h"
#include "text/TempFolder.h"

namespace Quarn::Testing::Matrix {
namespace {

enum class State {
  NoHost,     // made, setHost never called
  NotOpened,  // setHost only
  Opened,     // open, getProgramIds and selectProgram: one stream offered
  Closed,     // then closeStreams(false): the stream withdrawn, not yet destroyed
};

/// A plug-in object brought to a state, with the good script on disk.
class Driver {
 public:
  Driver(const TempFolder& folder, State state)
      : path((folder.path() / "good.ass").string()), hosted(state != State::NoHost) {
    if (state == State::Opened || state == State::Closed) {
      EXPECT_EQ(hosted.open("file://" + path), ResultOk);
      EXPECT_EQ(hosted.selectProgram(), ResultOk);
      EXPECT_NE(hosted.host.lastOffered(), nullptr);
    }
    if (state == State::Closed) {
      EXPECT_EQ(hosted.face->closeStreams(false), ResultOk);
    }
    hosted.host.log.clear();
  }

  ContainerInterface& face() { return *hosted.face; }
  Result openGood() { return hosted.open("file://" + path); }

  const std::string path;
  HostedContainer hosted;
};

/// The answer, then " / host: " and the host callbacks made since the last
/// call, which are then forgotten.
std::string withCallbacks(Driver& d, std::string answer) {
  const std::vector<std::string> calls = d.hosted.host.log.names();
  d.hosted.host.log.clear();
  for (std::size_t i = 0; i < calls.size(); ++i)
    answer += (i == 0 ? " / host: " : ", ") + calls[i];
  return answer;
}

/// One cell of a matrix: the state, how many calls in a row, the outcomes
/// expected ("first | second" for two).
struct Case {
  State state;
  int times;
  const char* expected;
};

const char* stateName(State state) {
  switch (state) {
    case State::NoHost:
      return "before setHost";
    case State::NotOpened:
      return "before open";
    case State::Opened:
      return "opened, stream offered";
    default:
      return "after closeStreams";
  }
}

/// The outcomes of `times` calls in a row, joined by " | ".
template <class Call>
std::string repeated(Driver& d, int times, Call&& call) {
  std::string outcomes;
  for (int i = 0; i < times; ++i)
    outcomes += (i == 0 ? "" : " | ") + withCallbacks(d, call());
  return outcomes;
}

std::string name(Result result) {
  return resultName(result);
}

// What a take answered and handed over; the header is freed as its new
// owner would.
std::string taken(bool took, List<MediaBuffer*>& headers) {
  const std::string text = freeTakenHeaders(headers);
  if (!took)
    return text == "<none>" ? "false" : "false, yet handed " + text;
  return text == goodScriptHeader() ? "the header" : "true, " + text;
}

// ---- container operations ----

struct ContainerOp {
  const char* name;
  std::string (*call)(Driver&);
  const char* noHost;
  const char* notOpened;
  const char* closed;
  const char* twice;  // twice in a row on an opened container
};

std::string probe(Driver& d) {
  const String<unsigned char> location("file:///x/film.ass");
  SourceDescriptor source;
  source.location = &location;
  return d.face().probe(&source, 0, 0, nullptr) ? "true" : "false";
}

std::string sourcePath(Driver& d) {
  const std::string path = d.face().getSourcePath().toStdString();
  return path.empty() ? "none" : path == d.path ? "the script" : path;
}

std::string sourceSize(Driver& d) {
  std::uint64_t size = 0;
  const Result result = d.face().getSourceSize(&size);
  if (result != ResultOk)
    return name(result);
  return size == kGoodScript.size() ? "ResultOk, whole file" : "ResultOk, " + std::to_string(size);
}

std::string takeFromContainer(Driver& d) {
  List<MediaBuffer*> headers;
  const bool took = d.hosted.object->takeHeader(headers);
  return taken(took, headers);
}

std::string programIds(Driver& d) {
  const List<unsigned long long> ids = d.face().getProgramIds();
  if (ids.count() != 1)
    return std::to_string(ids.count()) + " ids";
  return ids.head()->value == ~0ull ? "unassigned" : "id " + std::to_string(ids.head()->value);
}

std::string mediaTypes(Driver& d) {
  ContainerInterface& f = d.face();
  std::string text = std::to_string(f.getMediaTypeCount()) + ":";
  for (std::uint32_t i = 0; i < 3; ++i)
    text +=
        " '" + f.getMediaTypeName(i).toStdString() + "'=" + std::to_string(f.getMediaTypeValue(i));
  for (const char* type : {"text/x-ass", "text/x-ssa", "text/plain"})
    text += " " + std::to_string(f.findMediaType(String<unsigned char>(type)));
  return text;
}

const char* const kMediaTypes = "2: 'text/x-ssa'=1 'text/x-ass'=1 ''=0 1 1 -1";

const ContainerOp kContainerOps[] = {
    // Probing judges the name and asks the plug-in host: no state involved.
    {"probe", probe, "true", "true", "true", "true | true"},

    // Without a host nothing can be read; a header still held (no host took
    // or discarded it) makes a later open fail, as documented.
    {"open", [](Driver& d) { return name(d.openGood()); }, "ResultFailed",
     "ResultOk / host: getSetting, getSetting, newId",
     "ResultFailed / host: getSetting, getSetting",
     "ResultFailed / host: getSetting, getSetting | ResultFailed / host: getSetting, getSetting"},

    // The source stays known after its streams are closed.
    {"getSourcePath", sourcePath, "none", "none", "the script", "the script | the script"},
    {"getSourceSize", sourceSize, "ResultFailed", "ResultFailed", "ResultOk, whole file",
     "ResultOk, whole file | ResultOk, whole file"},
    {"getSourceSize(null)", [](Driver& d) { return name(d.face().getSourceSize(nullptr)); },
     "ResultFailed", "ResultFailed", "ResultFailed", "ResultFailed | ResultFailed"},

    // The header goes to the first taker, once; discarding is always safe.
    {"discardHeader", [](Driver& d) { return name(d.face().discardHeader()); }, "ResultOk",
     "ResultOk", "ResultOk", "ResultOk | ResultOk"},
    {"takeHeader", takeFromContainer, "false", "false", "the header", "the header | false"},

    // The programme id is drawn from the host once, and only with a host.
    {"getProgramIds", programIds, "unassigned", "id 1 / host: newId", "id 2", "id 2 | id 2"},
    {"getProgramName",
     [](Driver& d) {
       const std::string text = d.face().getProgramName(2).toStdString();
       return text.empty() ? std::string("empty") : text;
     },
     "empty", "empty", "empty", "empty | empty"},

    // Selecting offers what the table holds at that moment: nothing before
    // open or after closeStreams; the same stream again when repeated.
    {"selectProgram(the listed id)",
     [](Driver& d) {
       const List<unsigned long long> ids = d.face().getProgramIds();
       return name(d.face().selectProgram(ids.head()->value));
     },
     "ResultFailed", "ResultOk / host: newId, getPreferredLanguage",
     "ResultOk / host: getPreferredLanguage",
     "ResultOk / host: getPreferredLanguage, streamAdded, selectStream | "
     "ResultOk / host: getPreferredLanguage, streamAdded, selectStream"},
    {"selectProgram(an id never handed out)",
     [](Driver& d) { return name(d.face().selectProgram(12345)); }, "ResultFailed", "ResultFailed",
     "ResultFailed", "ResultFailed | ResultFailed"},

    // Closing withdraws each stream once; keeping them does nothing.
    {"closeStreams(true)", [](Driver& d) { return name(d.face().closeStreams(true)); }, "ResultOk",
     "ResultOk", "ResultOk", "ResultOk | ResultOk"},
    {"closeStreams(false)", [](Driver& d) { return name(d.face().closeStreams(false)); },
     "ResultOk", "ResultOk", "ResultOk", "ResultOk / host: streamRemoved | ResultOk"},

    // The media type table is fixed.
    {"media type queries", mediaTypes, kMediaTypes, kMediaTypes, kMediaTypes,
     "2: 'text/x-ssa'=1 'text/x-ass'=1 ''=0 1 1 -1 | 2: 'text/x-ssa'=1 'text/x-ass'=1 ''=0 1 1 -1"},
};

class CallOrderMatrix : public ::testing::Test {
 protected:
  void SetUp() override { folder.write("good.ass", kGoodScript); }

  TempFolder folder;
};

TEST_F(CallOrderMatrix, ContainerOperationsInEveryState) {
  for (const ContainerOp& op : kContainerOps) {
    SCOPED_TRACE(op.name);
    const Case cases[] = {{State::NoHost, 1, op.noHost},
                          {State::NotOpened, 1, op.notOpened},
                          {State::Closed, 1, op.closed},
                          {State::Opened, 2, op.twice}};
    for (const Case& c : cases) {
      Driver d(folder, c.state);
      EXPECT_EQ(repeated(d, c.times, [&] { return op.call(d); }), c.expected)
          << stateName(c.state) << ", " << c.times << " time(s)";
    }
  }
}

// ---- stream operations ----

struct StreamOp {
  const char* name;
  std::string (*call)(StreamInterface&, Driver&);
  const char* offered;    // offered, no consumer set yet
  const char* withdrawn;  // after closeStreams(false), before the host destroys it
  const char* twice;      // twice in a row on an offered stream
};

std::string readOnce(StreamInterface& s) {
  MediaChunk* chunk = nullptr;
  const Result result = s.readStream(&chunk);
  if (chunk == nullptr)
    return name(result) + ", no chunk";
  const std::string text =
      name(result) + " " + std::to_string(chunk->timestamp) + "+" + std::to_string(chunk->duration);
  chunk->release();
  return text;
}

std::string readWithConsumer(StreamInterface& s, Driver& d) {
  s.setConsumer(&d.hosted.consumer);
  return readOnce(s);
}

template <std::int32_t kRate>
std::string rateThenRead(StreamInterface& s, Driver& d) {
  const bool stored = s.setRate(kRate);
  return std::string(stored ? "true" : "false") + ", rate " + std::to_string(s.getRate()) + ", " +
         readWithConsumer(s, d);
}

std::string syncPoint(StreamInterface& s, Driver&) {
  std::uint32_t out = 7;
  const Result result = s.findSyncPoint(0, 1500, &out);
  return name(result) + " " + std::to_string(out);
}

std::string seek(StreamInterface& s, Driver&) {
  std::uint32_t reached = 7;
  const Result result = s.seekStream(1500, &reached, 0);
  return name(result) + " " + std::to_string(reached);
}

const StreamOp kStreamOps[] = {
    // A consumer is required to read; null is refused and changes nothing.
    {"setConsumer(null)", [](StreamInterface& s, Driver&) { return name(s.setConsumer(nullptr)); },
     "ResultUnavailable", "ResultUnavailable", "ResultUnavailable | ResultUnavailable"},
    {"setConsumer(null) after a consumer, then read",
     [](StreamInterface& s, Driver& d) {
       s.setConsumer(&d.hosted.consumer);
       return name(s.setConsumer(nullptr)) + ", " + readOnce(s);
     },
     "ResultUnavailable, ResultOk 1000+1000", "ResultUnavailable, ResultOk, no chunk",
     "ResultUnavailable, ResultOk 1000+1000 | ResultUnavailable, ResultOk 3000+1000"},
    {"setConsumer(a consumer)",
     [](StreamInterface& s, Driver& d) { return name(s.setConsumer(&d.hosted.consumer)); },
     "ResultOk", "ResultOk", "ResultOk | ResultOk"},
    {"rewind", [](StreamInterface& s, Driver&) { return name(s.rewind()); }, "ResultOk", "ResultOk",
     "ResultOk | ResultOk"},

    // Positioning works without a consumer; a withdrawn stream has no entries
    // and answers with the time asked for.
    {"findSyncPoint(1500)", syncPoint, "ResultOk 3000", "ResultOk 1500",
     "ResultOk 3000 | ResultOk 3000"},
    {"findSyncPoint(null output)",
     [](StreamInterface& s, Driver&) { return name(s.findSyncPoint(0, 1500, nullptr)); },
     "ResultFailed", "ResultFailed", "ResultFailed | ResultFailed"},
    {"seekStream(1500)", seek, "ResultOk 1000", "ResultOk 1500", "ResultOk 1000 | ResultOk 1000"},
    {"seekStream at rate 0",
     [](StreamInterface& s, Driver& d) {
       s.setRate(0);
       return seek(s, d);
     },
     "ResultFailed 7", "ResultOk 1500", "ResultFailed 7 | ResultFailed 7"},

    // Reading: nothing without a consumer; each entry once, in order; a
    // withdrawn stream is at its end.
    {"readStream without a consumer", [](StreamInterface& s, Driver&) { return readOnce(s); },
     "ResultUnavailable, no chunk", "ResultUnavailable, no chunk",
     "ResultUnavailable, no chunk | ResultUnavailable, no chunk"},
    {"readStream with a consumer", readWithConsumer, "ResultOk 1000+1000", "ResultOk, no chunk",
     "ResultOk 1000+1000 | ResultOk 3000+1000"},
    {"readStream(null)", [](StreamInterface& s, Driver&) { return name(s.readStream(nullptr)); },
     "ResultFailed", "ResultFailed", "ResultFailed | ResultFailed"},

    // A rate is always stored; 0 serves nothing, a negative rate reads
    // backward from the entry at the read position.
    {"setRate(0), then read", rateThenRead<0>, "true, rate 0, ResultOk, no chunk",
     "true, rate 0, ResultOk, no chunk",
     "true, rate 0, ResultOk, no chunk | true, rate 0, ResultOk, no chunk"},
    {"setRate(-1000), then read", rateThenRead<-1000>, "true, rate -1000, ResultOk 1000+1000",
     "true, rate -1000, ResultOk, no chunk",
     "true, rate -1000, ResultOk 1000+1000 | true, rate -1000, ResultOk, no chunk"},
    {"setRate(2000), then read", rateThenRead<2000>, "true, rate 2000, ResultOk 1000+1000",
     "true, rate 2000, ResultOk, no chunk",
     "true, rate 2000, ResultOk 1000+1000 | true, rate 2000, ResultOk 3000+1000"},

    // The stream hands over the container's header, which closing the streams
    // does not drop.
    {"takeHeader",
     [](StreamInterface& s, Driver&) {
       List<MediaBuffer*> headers;
       const bool took = s.takeHeader(headers);
       return taken(took, headers);
     },
     "the header", "the header", "the header | false"},
    {"getDescription(null outputs)",
     [](StreamInterface& s, Driver&) {
       return std::string(s.getDescription(nullptr, nullptr, nullptr, 0) ? "true" : "false");
     },
     "false", "false", "false | false"},
};

TEST_F(CallOrderMatrix, StreamOperationsInEveryState) {
  for (const StreamOp& op : kStreamOps) {
    SCOPED_TRACE(op.name);
    const Case cases[] = {{State::Opened, 1, op.offered},
                          {State::Closed, 1, op.withdrawn},
                          {State::Opened, 2, op.twice}};
    for (const Case& c : cases) {
      Driver d(folder, c.state);
      StreamInterface* s = d.hosted.host.lastOffered();
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(repeated(d, c.times, [&] { return op.call(*s, d); }), c.expected)
          << stateName(c.state) << ", " << c.times << " time(s)";
    }
  }
}

// ---- the format header and a second open, in every order ----

// Steps: C the container's takeHeader, S the stream's, D discardHeader, O a
// second open of the same script; each taken header is freed by the test as
// a host would.
std::string step(Driver& d, char what) {
  switch (what) {
    case 'C':
      return takeFromContainer(d);
    case 'S': {
      List<MediaBuffer*> headers;
      const bool took = d.hosted.host.lastOffered()->takeHeader(headers);
      return taken(took, headers);
    }
    case 'D':
      return name(d.face().discardHeader());
    default:
      return name(d.openGood());
  }
}

TEST_F(CallOrderMatrix, HeaderHandOverAndReopenInEveryOrder) {
  struct Row {
    const char* steps;
    const char* outcomes;
    std::size_t streams;  // in the container's table afterwards
  };
  const Row rows[] = {
      // Whoever takes first gets the header; after a take or a discard there
      // is nothing left to hand over, and discarding stays harmless.
      {"CC", "the header, false", 1},
      {"CS", "the header, false", 1},
      {"CD", "the header, ResultOk", 1},
      {"SC", "the header, false", 1},
      {"SS", "the header, false", 1},
      {"SD", "the header, ResultOk", 1},
      {"DC", "ResultOk, false", 1},
      {"DS", "ResultOk, false", 1},
      {"DD", "ResultOk, ResultOk", 1},
      // A second open fails while the header is held, as documented, and
      // succeeds once it is gone, by discard or by take; the new stream
      // joins the first and brings a header of its own.
      {"O", "ResultFailed", 1},
      {"OO", "ResultFailed, ResultFailed", 1},
      {"DO", "ResultOk, ResultOk", 2},
      {"CO", "the header, ResultOk", 2},
      {"SOC", "the header, ResultOk, the header", 2},
      {"ODOS", "ResultFailed, ResultOk, ResultOk, the header", 2},
      {"DOO", "ResultOk, ResultOk, ResultFailed", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.steps);
    Driver d(folder, State::Opened);
    ASSERT_NE(d.hosted.host.lastOffered(), nullptr);
    std::string outcomes;
    for (const char* c = row.steps; *c != '\0'; ++c)
      outcomes += (c == row.steps ? "" : ", ") + step(d, *c);
    EXPECT_EQ(outcomes, row.outcomes);
    EXPECT_EQ(d.hosted.object->streams().size(), row.streams);
  }
}

// ---- the last release with things still held ----

TEST_F(CallOrderMatrix, LastReleaseWithThingsStillHeld) {
  struct Row {
    const char* held;
    void (*prepare)(Driver&, List<MediaBuffer*>& hostHeaders);
  };
  const Row rows[] = {
      // The component releases every stream's entries itself and destroys
      // the streams never offered; the host destroys the offered ones
      // afterwards, withdrawn or not, and frees a header it took.
      {"a stream never offered, the header",
       [](Driver& d, List<MediaBuffer*>&) {
         d.face().closeStreams(false);
         d.face().discardHeader();
         EXPECT_EQ(d.openGood(), ResultOk);
       }},
      {"a stream offered, the header", [](Driver&, List<MediaBuffer*>&) {}},
      {"a stream offered and partly read, its consumer set",
       [](Driver& d, List<MediaBuffer*>&) {
         d.hosted.host.lastOffered()->setConsumer(&d.hosted.consumer);
         MediaChunk* chunk = nullptr;
         EXPECT_EQ(d.hosted.host.lastOffered()->readStream(&chunk), ResultOk);
         if (chunk != nullptr)
           chunk->release();
       }},
      {"a stream withdrawn but not destroyed, the header",
       [](Driver& d, List<MediaBuffer*>&) { d.face().closeStreams(false); }},
      {"a stream offered, the header taken by the host",
       [](Driver& d, List<MediaBuffer*>& hostHeaders) {
         EXPECT_TRUE(d.hosted.host.lastOffered()->takeHeader(hostHeaders));
       }},
      {"one stream offered and one not, the second header",
       [](Driver& d, List<MediaBuffer*>&) {
         d.face().discardHeader();
         EXPECT_EQ(d.openGood(), ResultOk);
       }},
      {"an extra reference, given back first",
       [](Driver& d, List<MediaBuffer*>&) {
         EXPECT_EQ(d.hosted.plugin->retain(), 2);
         EXPECT_EQ(d.hosted.plugin->release(), 1);
         EXPECT_EQ(d.hosted.plugins.log.count("pluginDestroying"), 0u);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.held);
    List<MediaBuffer*> hostHeaders;
    {
      Driver d(folder, State::Opened);
      ASSERT_NE(d.hosted.host.lastOffered(), nullptr);
      row.prepare(d, hostHeaders);
      d.hosted.host.log.clear();
      d.hosted.release();
      EXPECT_TRUE(d.hosted.host.log.calls().empty()) << "the container host is not called";
    }  // the host destroys the streams it still holds
    if (!hostHeaders.isEmpty()) {
      EXPECT_EQ(freeTakenHeaders(hostHeaders), goodScriptHeader())
          << "the header outlives the plug-in";
    }
  }
}

}  // namespace
}  // namespace Quarn::Testing::Matrix
