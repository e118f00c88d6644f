// The player's --trace of a small script, line for line, against the calling
// order a host meets: connection, probe, open, the programme's selection,
// the reads with the media time each asks, and the order things go back.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "PlayerProcess.h"

namespace Quarn::Testing {
namespace {

const std::string kEvents =
    "[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
    "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Two\r\n"
    "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,One\r\n";

using Lines = std::vector<std::string>;

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Calls are written when they complete; a call back comes before the call it
// came during. Sequence numbers are added by numbered().
Lines connectAndOpen() {
  return {
      R"("dir":"call","fn":"getPlugin","result":"0x00000000"})",
      R"("dir":"call","fn":"queryInterface","args":{"id":"com.kavro.streamengine.interface.container"},"result":"0x00000000"})",
      R"("dir":"call","fn":"setHost","args":{"container":1}})",
      R"("dir":"back","fn":"isFormatSupported","in":"probe","args":{"tag":"SSA"},"answer":true})",
      R"("dir":"call","fn":"probe","args":{"location":"file://<folder>/t.ass"},"result":true})",
      R"("dir":"back","fn":"getSetting","in":"open","args":{"section":"CodePage","name":"OverrideEmbedded"},"answer":{"tag":0}})",
      R"("dir":"back","fn":"getSetting","in":"open","args":{"section":"CodePage","name":"Name"},"answer":{"tag":0}})",
  };
}

Lines opened() {
  return {
      R"("dir":"back","fn":"newId","in":"open","answer":2})",
      R"("dir":"call","fn":"open","args":{"location":"file://<folder>/t.ass"},"result":"0x00000000"})",
      R"("dir":"back","fn":"newId","in":"getProgramIds","answer":3})",
      R"("dir":"call","fn":"getProgramIds","result":[3]})",
      R"("dir":"back","fn":"getPreferredLanguage","in":"selectProgram","answer":""})",
      R"("dir":"back","fn":"streamAdded","in":"selectProgram","args":{"stream":2}})",
      R"("dir":"back","fn":"selectStream","in":"selectProgram","args":{"stream":2,"enable":1}})",
      R"("dir":"call","fn":"selectProgram","args":{"program":3},"result":"0x00000000"})",
  };
}

// The stream's description, asked when it is offered and when reading starts.
Lines described() {
  return {
      R"("dir":"call","fn":"getDescription","args":{"stream":2},"result":true})",
      R"("dir":"call","fn":"getStreamType","args":{"stream":2},"result":320})",
      R"("dir":"call","fn":"getFormat","args":{"stream":2}})",
      R"("dir":"call","fn":"getProperties","args":{"stream":2}})",
  };
}

Lines consumerAndRate(int rate) {
  return {
      R"("dir":"call","fn":"setConsumer","args":{"stream":2},"result":"0x00000000"})",
      R"("dir":"call","fn":"setRate","args":{"stream":2,"rate":)" + std::to_string(rate) +
          R"(},"result":true})",
      R"("dir":"call","fn":"rewind","args":{"stream":2},"result":"0x00000000"})",
  };
}

// One chunk handed out, read in place and given back. The stream asks the
// clock before the read and again for its log line.
Lines chunk(int n, int timestamp) {
  const std::string id = std::to_string(n);
  return {
      R"("dir":"back","fn":"getMediaTime","in":"readStream","answer":2147483647})",
      R"("dir":"back","fn":"getMediaTime","in":"readStream","answer":2147483647})",
      R"("dir":"call","fn":"readStream","args":{"stream":2},"result":"0x00000000","chunk":{"n":)" +
          id + R"(,"timestamp":)" + std::to_string(timestamp) + R"(,"duration":1000,"length":54}})",
      R"("dir":"call","fn":"lockData","args":{"chunk":)" + id + "}}",
      R"("dir":"call","fn":"unlockData","args":{"chunk":)" + id + "}}",
      R"("dir":"call","fn":"release","args":{"chunk":)" + id + "}}",
  };
}

Lines endOfStream() {
  return {
      R"("dir":"back","fn":"getMediaTime","in":"readStream","answer":2147483647})",
      R"("dir":"call","fn":"readStream","args":{"stream":2},"result":"0x00000000","chunk":null})",
  };
}

// What goes back, streams first, then the last release of the plug-in.
Lines closed(bool withStream) {
  Lines lines;
  if (withStream)
    lines.push_back(
        R"("dir":"back","fn":"streamRemoved","in":"closeStreams","args":{"stream":2}})");
  lines = lines +
          Lines{
              R"("dir":"call","fn":"closeStreams","args":{"keep":false},"result":"0x00000000"})",
              R"("dir":"call","fn":"discardHeader","result":"0x00000000"})",
          };
  if (withStream)
    lines.push_back(R"("dir":"call","fn":"~StreamInterface","args":{"stream":2}})");
  return lines + Lines{
                     R"("dir":"back","fn":"pluginDestroying","in":"release"})",
                     R"("dir":"back","fn":"pluginDestroyed","in":"release"})",
                     R"("dir":"call","fn":"release","args":{"object":"plugin"},"result":0})",
                 };
}

Lines numbered(const Lines& lines) {
  Lines result;
  for (std::size_t i = 0; i < lines.size(); ++i)
    result.push_back("{\"seq\":" + std::to_string(i + 1) + "," + lines[i]);
  return result;
}

Lines traceOf(const std::string& file, const std::string& folder) {
  Lines lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    for (std::size_t at; (at = line.find(folder)) != std::string::npos;)
      line.replace(at, folder.size(), "<folder>");
    lines.push_back(line);
  }
  return lines;
}

struct TraceCase {
  const char* name;
  std::vector<std::string> options;
  std::string script;
  int status;
  Lines expected;
};

TEST(PlayerTrace, EveryCrossingInOrder) {
  const Lines started = connectAndOpen() + opened() + described();
  const std::vector<TraceCase> cases = {
      {"plain read",
       {},
       kEvents,
       0,
       started + consumerAndRate(1000) + described() + chunk(1, 1000) + chunk(2, 3000) +
           endOfStream() + closed(true)},
      {"a seek past the first entry",
       {"--seek", "2500"},
       kEvents,
       0,
       started + consumerAndRate(1000) +
           Lines{
               R"("dir":"call","fn":"seekStream","args":{"stream":2,"time":2500},"result":"0x00000000","reached":3000})"} +
           described() + chunk(1, 3000) + endOfStream() + closed(true)},
      {"a negative rate reads from the last entry back",
       {"--rate", "-1000"},
       kEvents,
       0,
       started + consumerAndRate(-1000) + described() + chunk(1, 3000) + chunk(2, 1000) +
           endOfStream() + closed(true)},
      {"a refused open",
       {},
       "[Script Info]\r\nTitle: nothing to play\r\n",
       1,
       connectAndOpen() +
           Lines{
               R"("dir":"call","fn":"open","args":{"location":"file://<folder>/t.ass"},"result":"0x80100001"})"} +
           closed(false)},
  };
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::string script = folder.write("t.ass", c.script);
    const std::string trace = folder.path() + "/trace.jsonl";
    std::vector<std::string> arguments = {"--json", "--trace", trace};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back(script);
    const PlayerRun run = runPlayer(arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(traceOf(trace, folder.path()), numbered(c.expected));
  }
}

TEST(PlayerTrace, ATraceFileThatCannotBeWrittenIsAUsageError) {
  ScratchFolder folder;
  const std::string script = folder.write("t.ass", kEvents);
  const PlayerRun run = runPlayer({"--trace", folder.path() + "/missing/trace", script});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot write the trace to"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace Quarn::Testing
