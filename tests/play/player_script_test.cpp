// Scripts played end to end through the player process and the real module:
// each encoding case of the text reader, seeks, backward reading, the header,
// a stall, the real-time clock in both directions, and the bundled examples.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "PlayerProcess.h"

namespace Quarn::Testing {
namespace {

const std::string kHeader =
    "[Script Info]\r\n"
    "ScriptType: v4.00+\r\n"
    "\r\n"
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize\r\n"
    "Style: Default,Sans,28\r\n"
    "\r\n"
    "[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";

/// The header followed by `events`, each on its own CR LF line.
std::string script(const std::vector<std::string>& events) {
  std::string text = kHeader + "\r\n";
  for (const std::string& event : events)
    text += event + "\r\n";
  return text;
}

// Out of order on purpose: the stream hands entries out by start time.
const std::vector<std::string> kEvents = {
    "Dialogue: 0,0:00:05.00,0:00:07.00,Default,,0,0,0,,Second",
    "Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,A note",
    "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
};
const std::string kNote =
    "{\"event\":\"chunk\",\"timestamp\":0,\"duration\":1000,\"length\":56,"
    "\"text\":\"Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,A note\"}";
const std::string kHello =
    "{\"event\":\"chunk\",\"timestamp\":1000,\"duration\":4000,\"length\":63,"
    "\"text\":\"Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world\"}";
const std::string kSecond =
    "{\"event\":\"chunk\",\"timestamp\":5000,\"duration\":2000,\"length\":57,"
    "\"text\":\"Dialogue: 0,0:00:05.00,0:00:07.00,Default,,0,0,0,,Second\"}";

/// The lines of a run from the first chunk line, or the end line, on.
std::vector<std::string> chunkLines(const PlayerRun& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.lines()) {
    if (line.rfind("{\"event\":\"chunk\"", 0) == 0 || line.rfind("{\"event\":\"end\"", 0) == 0 ||
        !lines.empty())
      lines.push_back(line);
  }
  return lines;
}

std::string escapedCrLf(std::string text) {
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 4)
    text.replace(at, 2, "\\r\\n");
  return text;
}

class PlayerScript : public ::testing::Test {
 protected:
  ScratchFolder folder;
};

TEST_F(PlayerScript, Utf8WithoutMarkPlaysEveryLineInOrder) {
  const std::string path = folder.write("film.ass", script(kEvents));
  const PlayerRun run = runPlayer({"--json", path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = run.lines();
  ASSERT_EQ(lines.size(), 7u) << run.out;
  EXPECT_EQ(lines[0], "{\"event\":\"probe\",\"accepted\":true}");
  EXPECT_EQ(lines[1], "{\"event\":\"open\",\"result\":\"0x00000000\",\"name\":\"ResultOk\"}");
  EXPECT_EQ(lines[2].rfind("{\"event\":\"stream\",\"id\":", 0), 0u) << lines[2];
  const std::string streamTail =
      ",\"name\":\"film.ass\",\"language\":\"\",\"region\":\"\",\"type\":320,"
      "\"format\":{\"tag\":\"SSA\",\"code\":20,\"kind\":4,\"variant\":0},"
      "\"width\":640,\"height\":480}";
  EXPECT_EQ(lines[2].substr(lines[2].find(",\"name\"")), streamTail);
  EXPECT_EQ(lines[3], kNote);
  EXPECT_EQ(lines[4], kHello);
  EXPECT_EQ(lines[5], kSecond);
  EXPECT_EQ(lines[6], "{\"event\":\"end\",\"chunks\":3}");
}

TEST_F(PlayerScript, Utf8WithMarkPassesThroughOrIsConvertedWhenTheMarkCounts) {
  const std::string path = folder.write("marked.ass", "\xEF\xBB\xBF" + script(kEvents));
  const std::string headerStart = "\"text\":\"";

  // No settings: the bytes go through unchanged, the mark stays in the header.
  const PlayerRun raw = runPlayer({"--json", "--header", path});
  EXPECT_EQ(raw.status, 0) << raw.err;
  ASSERT_GE(raw.lines().size(), 4u) << raw.out;
  EXPECT_NE(raw.lines()[3].find(headerStart + "\xEF\xBB\xBF[Script Info]"), std::string::npos)
      << raw.lines()[3];

  // The mark counts: the converted text starts after it.
  const PlayerRun converted =
      runPlayer({"--json", "--header", "--override-embedded", "false", path});
  EXPECT_EQ(converted.status, 0) << converted.err;
  ASSERT_GE(converted.lines().size(), 4u) << converted.out;
  EXPECT_NE(converted.lines()[3].find(headerStart + "[Script Info]"), std::string::npos)
      << converted.lines()[3];
  EXPECT_EQ(chunkLines(converted), chunkLines(raw));
  EXPECT_EQ(chunkLines(raw),
            (std::vector<std::string>{kNote, kHello, kSecond, "{\"event\":\"end\",\"chunks\":3}"}));
}

/// UTF-16 LE with a byte-order mark, from ASCII and two-byte UTF-8 text.
std::string utf16le(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned code = static_cast<unsigned char>(utf8[i]);
    if (code >= 0xC0) {
      code = ((code & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    }
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
  }
  return out;
}

TEST_F(PlayerScript, Utf16LittleEndianWithMarkNeedsTheMarkToCount) {
  const std::string line =
      "Dialogue: 0,0:00:02.00,0:00:03.50,Default,Zo\xC3\xAB,0,0,0,,Caf\xC3\xA9!";
  const std::string path = folder.write("wide.ass", utf16le(script({line})));

  const PlayerRun run = runPlayer({"--json", "--override-embedded", "false", path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      chunkLines(run),
      (std::vector<std::string>{"{\"event\":\"chunk\",\"timestamp\":2000,\"duration\":1500,"
                                "\"length\":" +
                                    std::to_string(line.size() + 1) + ",\"text\":\"" + line + "\"}",
                                "{\"event\":\"end\",\"chunks\":1}"}));

  // Without the setting the mark is not looked at, and 0xFF starts no text.
  const PlayerRun refused = runPlayer({"--json", path});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("\"name\":\"ResultFailed\""), std::string::npos) << refused.out;
}

TEST_F(PlayerScript, LegacyCodePageIsConvertedOnlyWhenNamed) {
  const std::string path =
      folder.write("legacy.ass", script({"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,"
                                         "Caf\xE9 cr\xE8me"}));
  const std::string converted =
      "\"text\":\"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Caf\xC3\xA9 cr\xC3\xA8me\"";
  for (const std::vector<std::string>& settings :
       {std::vector<std::string>{"--codepage", "windows-1252"},
        std::vector<std::string>{"--override-embedded", "true", "--codepage", "windows-1252"},
        std::vector<std::string>{"--override-embedded=false", "--codepage=windows-1252"}}) {
    std::vector<std::string> arguments = settings;
    arguments.insert(arguments.end(), {"--json", path});
    const PlayerRun run = runPlayer(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(chunkLines(run).size(), 2u) << run.out;
    EXPECT_NE(chunkLines(run)[0].find(converted), std::string::npos) << chunkLines(run)[0];
  }

  // Unconverted, the Latin-1 bytes are ill-formed UTF-8: each is shown as U+FFFD.
  const PlayerRun raw = runPlayer({"--json", path});
  EXPECT_EQ(raw.status, 0) << raw.err;
  ASSERT_EQ(chunkLines(raw).size(), 2u) << raw.out;
  EXPECT_NE(chunkLines(raw)[0].find(",,Caf\xEF\xBF\xBD cr\xEF\xBF\xBDme\""), std::string::npos)
      << chunkLines(raw)[0];
}

TEST_F(PlayerScript, SeekStartsAtTheEntryStillRunning) {
  const std::string path = folder.write("film.ass", script(kEvents));
  const PlayerRun run = runPlayer({"--json", "--seek", "3000", path});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = run.lines();
  ASSERT_EQ(lines.size(), 7u) << run.out;
  EXPECT_EQ(lines[3],
            "{\"event\":\"seek\",\"requested\":3000,\"reached\":1000,"
            "\"result\":\"0x00000000\"}");
  EXPECT_EQ(lines[4], kHello);
  EXPECT_EQ(lines[5], kSecond);
  EXPECT_EQ(lines[6], "{\"event\":\"end\",\"chunks\":2}");

  // Past the last entry nothing is left to read.
  const PlayerRun past = runPlayer({"--json", "--seek", "100000", path});
  EXPECT_EQ(past.status, 0) << past.err;
  EXPECT_EQ(chunkLines(past), std::vector<std::string>{"{\"event\":\"end\",\"chunks\":0}"});
  EXPECT_NE(past.out.find("\"requested\":100000,\"reached\":7001,"), std::string::npos) << past.out;
}

TEST_F(PlayerScript, NegativeRateReadsBackwardsFromTheLastEntry) {
  const std::string path = folder.write("film.ass", script(kEvents));
  const PlayerRun run = runPlayer({"--json", "--rate", "-1000", path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(chunkLines(run),
            (std::vector<std::string>{kSecond, kHello, kNote, "{\"event\":\"end\",\"chunks\":3}"}));

  // Backwards from a seek: the last entry that starts before the time.
  const PlayerRun seeked = runPlayer({"--json", "--rate=-1000", "--seek=3000", path});
  EXPECT_EQ(seeked.status, 0) << seeked.err;
  EXPECT_NE(seeked.out.find("\"requested\":3000,\"reached\":1000,"), std::string::npos);
  EXPECT_EQ(chunkLines(seeked),
            (std::vector<std::string>{kHello, kNote, "{\"event\":\"end\",\"chunks\":2}"}));
}

TEST_F(PlayerScript, HeaderIsTheScriptUpToTheEventsFormatLine) {
  const std::string path = folder.write("film.ass", script(kEvents));
  const PlayerRun run = runPlayer({"--json", "--header", path});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = run.lines();
  ASSERT_EQ(lines.size(), 8u) << run.out;
  EXPECT_EQ(lines[3], "{\"event\":\"header\",\"tag\":\"SUB \",\"kind\":4,\"length\":" +
                          std::to_string(kHeader.size() + 1) + ",\"text\":\"" +
                          escapedCrLf(kHeader) + "\"}");
  EXPECT_EQ(lines[4], kNote);
}

// What the views print and the exit status stay as they were; standard
// error says, once, how many entries were never shown and why.
TEST_F(PlayerScript, EntryThatCanNeverBeDueStallsTheRead) {
  const std::string path = folder.write(
      "long.ass", script({"Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
                          "Dialogue: 0,0:00:-1.00,0:00:02.00,Default,,0,0,0,,A typo",
                          "Dialogue: 0,600:00:00.00,600:00:01.00,Default,,0,0,0,,Far away"}));
  const std::string warning =
      "quarn-ssa-play: warning: 2 entries of long.ass can never be shown: they start after "
      "596:31:24.147, the latest start a stream can show (a negative time such as 0:00:-1.00 "
      "wraps round to a start that late)\n";
  struct Row {
    std::vector<std::string> arguments;
    std::vector<std::string> lastLines;  // of standard output
  };
  const Row rows[] = {
      {{"--json"}, {kHello, "{\"event\":\"end\",\"chunks\":1,\"stalled\":true}"}},
      // Backward the first entry is one of them: nothing is read.
      {{"--json", "--rate", "-1000"}, {"{\"event\":\"end\",\"chunks\":0,\"stalled\":true}"}},
      {{"--quiet"}, {"1 entry read; stopped at an entry that can never fall due"}},
      {{},
       {"0:00:01.000 0:00:05.000  Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
        "1 entry read; stopped at an entry that can never fall due"}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> arguments = row.arguments;
    arguments.push_back(path);
    const PlayerRun run = runPlayer(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = run.lines();
    ASSERT_GE(lines.size(), row.lastLines.size()) << run.out;
    EXPECT_EQ(std::vector<std::string>(lines.end() - row.lastLines.size(), lines.end()),
              row.lastLines);
    EXPECT_EQ(run.err, warning);
  }
}

TEST_F(PlayerScript, LocationThatIsNoFileIsABadLocation) {
  const PlayerRun run = runPlayer({"--json", "http://example.com/film.ass"});
  EXPECT_EQ(run.status, 1);
  ASSERT_EQ(run.lines().size(), 3u) << run.out;
  EXPECT_EQ(run.lines()[1],
            "{\"event\":\"open\",\"result\":\"0x80800001\",\"name\":\"ResultBadLocation\"}");
  EXPECT_EQ(run.err.rfind("quarn-ssa-play: cannot open http://example.com/film.ass: "
                          "ResultBadLocation (0x80800001)\n",
                          0),
            0u)
      << run.err;
}

/// One player run and the wall time it took.
struct TimedRun {
  PlayerRun run;
  /// Milliseconds.
  std::int64_t took;
};

TimedRun timedPlayer(const std::vector<std::string>& arguments) {
  const auto started = std::chrono::steady_clock::now();
  PlayerRun run = runPlayer(arguments);
  return {std::move(run), std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started)
                              .count()};
}

// Timings are checked loosely: lower bounds, which a slow machine only makes
// safer, and ratios with a wide margin.
TEST_F(PlayerScript, RealtimeWaitsForTheClockAndShowsTheSameEntries) {
  // The plug-in hands the second entry out 500 ms early; it is shown at its start.
  const std::string path =
      folder.write("paced.ass", script({"Dialogue: 0,0:00:00.00,0:00:00.50,Default,,0,0,0,,Now",
                                        "Dialogue: 0,0:00:00.80,0:00:01.00,Default,,0,0,0,,Soon"}));
  const TimedRun paced = timedPlayer({"--json", "--realtime", path});
  EXPECT_EQ(paced.run.status, 0) << paced.run.err;
  EXPECT_GE(paced.took, 750);
  EXPECT_EQ(paced.run.out, runPlayer({"--json", path}).out);
}

TEST_F(PlayerScript, RealtimeClockRunsAtTheRatesSpeedInBothDirections) {
  // Starts 0.0 to 2.0 s, ends 0.6 to 2.6 s.
  const std::vector<std::string> events = {
      "Dialogue: 0,0:00:00.00,0:00:00.60,Default,,0,0,0,,One",
      "Dialogue: 0,0:00:00.50,0:00:01.10,Default,,0,0,0,,Two",
      "Dialogue: 0,0:00:01.00,0:00:01.60,Default,,0,0,0,,Three",
      "Dialogue: 0,0:00:01.50,0:00:02.10,Default,,0,0,0,,Four",
      "Dialogue: 0,0:00:02.00,0:00:02.60,Default,,0,0,0,,Five",
  };
  const std::string path = folder.write("five.ass", script(events));
  const std::string forward = runPlayer({"--json", path}).out;
  const std::string backward = runPlayer({"--json", "--rate=-1000", path}).out;

  // Forward from 0 to the last start, 2 s at normal speed, a quarter of it at 4000.
  const TimedRun normal = timedPlayer({"--json", "--realtime", "--rate=1000", path});
  EXPECT_EQ(normal.run.status, 0) << normal.run.err;
  EXPECT_EQ(normal.run.out, forward);
  EXPECT_GE(normal.took, 1900);
  const TimedRun fast = timedPlayer({"--json", "--realtime", "--rate=4000", path});
  EXPECT_EQ(fast.run.status, 0) << fast.run.err;
  EXPECT_EQ(fast.run.out, forward);
  EXPECT_GE(fast.took, 450);
  EXPECT_LT(fast.took * 2, normal.took);

  // Backward from the last end, 2.6 s, down to the first end, 0.6 s: 500 ms at -4000.
  const TimedRun back = timedPlayer({"--json", "--realtime", "--rate=-4000", path});
  EXPECT_EQ(back.run.status, 0) << back.run.err;
  EXPECT_EQ(back.run.out, backward);
  EXPECT_GE(back.took, 450);
  EXPECT_LT(back.took * 2, normal.took);
}

TEST_F(PlayerScript, RealtimeBackwardStopsAtAnEntryTheClockHasPassed) {
  const std::string path = folder.write(
      "long.ass", script({"Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
                          "Dialogue: 0,600:00:00.00,600:00:01.00,Default,,0,0,0,,Far away"}));
  const std::string stalled = "{\"event\":\"end\",\"chunks\":0,\"stalled\":true}";
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> expected;
  } cases[] = {
      // The last entry starts beyond the latest time: due never, as without --realtime.
      {{"--rate=-1000"}, {stalled}},
      // Before the first entry the read position is that entry, which starts
      // more than 500 ms above a clock that only goes down from 0.
      {{"--rate=-1000", "--seek=0"}, {stalled}},
      // From above it the entry is shown, at once: the clock is below its end.
      {{"--rate=-1000", "--seek=3000"}, {kHello, "{\"event\":\"end\",\"chunks\":1}"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.options;
    arguments.insert(arguments.end(), {"--json", "--realtime", path});
    const TimedRun run = timedPlayer(arguments);
    EXPECT_EQ(run.run.status, 0) << run.run.err;
    EXPECT_EQ(chunkLines(run.run), c.expected) << c.options.back();
    EXPECT_LT(run.took, 10000) << c.options.back();
  }
}

TEST(PlayerExamples, BundledScriptsPlay) {
  const PlayerRun demo = runPlayer({QUARN_EXAMPLES_DIR "/demo.ass"});
  EXPECT_EQ(demo.status, 0) << demo.err;
  const std::vector<std::string> lines = demo.lines();
  ASSERT_EQ(lines.size(), 25u) << demo.out;
  EXPECT_EQ(lines.front(), "demo.ass: SSA 20/4/0, 640x480, 23 entries");
  EXPECT_EQ(lines.back(), "23 entries read");
  // Entry lines in start order; times below ten hours compare as text.
  for (std::size_t i = 2; i + 1 < lines.size(); ++i)
    EXPECT_LE(lines[i - 1].substr(0, 11), lines[i].substr(0, 11)) << lines[i];

  const PlayerRun wide =
      runPlayer({"--json", "--override-embedded", "false", QUARN_EXAMPLES_DIR "/demo-utf16.ass"});
  EXPECT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(wide.out.find("Caf\xC3\xA9 S\xC3\xA3o Jorge"), std::string::npos) << wide.out;
  EXPECT_EQ(wide.lines().back(), "{\"event\":\"end\",\"chunks\":7}");
}

}  // namespace
}  // namespace Quarn::Testing
