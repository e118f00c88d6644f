// What the player process says on standard error besides its own failures:
// the cause of a refusal, the plug-in's log under --verbose, and the
// progress line on a terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PlayerProcess.h"

namespace Quarn::Testing {
namespace {

const std::string kHeader =
    "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
const std::string kEvent = "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,text\r\n";

std::string utf16le(const std::string& ascii) {
  std::string out;
  for (const char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t stop; (stop = text.find('\n', start)) != std::string::npos; start = stop + 1)
    lines.push_back(text.substr(start, stop - start));
  return lines;
}

// Every refusal gets one line with its cause, in the human view and with
// --json alike; standard output stays what the view always prints.
TEST(PlayerExplains, EveryRefusalGetsOneLineWithItsCauseInBothViews) {
  ScratchFolder folder;
  const std::string script = folder.write("film.ass", kHeader + kEvent);
  struct Row {
    std::vector<std::string> arguments;
    std::string cause;
  };
  const Row rows[] = {
      {{QUARN_EXAMPLES_DIR "/demo-utf16.ass"},
       "the file starts with a UTF-16 LE byte-order mark, which the plug-in ignores unless told "
       "otherwise; try --override-embedded false"},
      {{folder.write("wide.ass", utf16le(kHeader + kEvent))},
       "the file looks like UTF-16 LE without a byte-order mark; try --codepage UTF-16LE"},
      {{"--quiet", folder.write("header.ass", kHeader)},
       "the [Events] section, from line 4, holds no event lines (lines of 28 bytes or more "
       "starting Dialogue:, Comment:, "
       "Picture:, Sound:, Movie: or Command:)"},
      {{folder.write("film.txt", kHeader + kEvent)},
       "the file name does not end in .ass or .ssa (in lower case), and the plug-in opens no "
       "other names"},
      {{"--codepage", "no-such-cp", script},
       "--codepage no-such-cp names no code page ICU knows (known names are, for example, "
       "windows-1252, ISO-8859-15, Shift_JIS and UTF-16LE)"},
      {{"--codepage", "UTF-16LE", script},
       "decoded with --codepage UTF-16LE, the file holds no line of a script (no [section], "
       "Format: or event line), so it is not in that encoding; without --codepage it opens as "
       "UTF-8"},
      {{"https://example.org/subs/film.ass"},
       "the plug-in reads only local files, given as a path or a file: URL, and not https: URLs; "
       "save the script to a file first"},
      {{"file://" + folder.path() + "/missing.ass"},
       "cannot read " + folder.path() + "/missing.ass: No such file or directory"},
  };
  for (const Row& row : rows) {
    const PlayerRun human = runPlayer(row.arguments);
    EXPECT_EQ(human.status, 1) << row.arguments.back();
    EXPECT_EQ(human.out, "") << row.arguments.back();
    const std::vector<std::string> lines = linesOf(human.err);
    ASSERT_EQ(lines.size(), 2u) << human.err;
    EXPECT_EQ(lines[0].rfind("quarn-ssa-play: cannot open ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "quarn-ssa-play: " + row.cause);

    std::vector<std::string> arguments = row.arguments;
    arguments.insert(arguments.begin(), "--json");
    const PlayerRun json = runPlayer(arguments);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.err, human.err);
    EXPECT_NE(json.out.find("{\"event\":\"end\",\"chunks\":0}\n"), std::string::npos) << json.out;
  }
}

// Text read in the wrong encoding is shown with replacement characters; the
// player says so once, with the count and the code page to try, and prints
// what it always prints.
TEST(PlayerWarns, TextThatWasNotInTheEncodingItWasReadAs) {
  ScratchFolder folder;
  // "Привет, как дела?" in windows-1251, twice.
  const std::string line =
      "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,"
      "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0?\r\n";
  const std::string script = folder.write("cyrillic.ass", kHeader + line + line);
  const std::string warning =
      "quarn-ssa-play: warning: 26 characters of cyrillic.ass could not be read as UTF-8 and "
      "were replaced; ";
  struct Row {
    std::vector<std::string> options;
    bool warned;
  };
  const Row rows[] = {
      {{}, true},
      {{"--json"}, true},
      {{"--quiet"}, true},
      {{"--json", "--seek", "5000"}, false},  // nothing handed out
      {{"--codepage", "windows-1251"}, false},
  };
  for (const Row& row : rows) {
    std::vector<std::string> arguments = row.options;
    arguments.push_back(script);
    const PlayerRun run = runPlayer(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    if (row.warned) {
      ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
      EXPECT_EQ(run.err.rfind(warning, 0), 0u) << run.err;
      EXPECT_NE(run.err.find("try --codepage windows-1251"), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.err, "");
    }
  }
}

/// The reference logging library's lines: "category function:line message".
std::vector<std::string> logLines(const std::string& err, const std::string& category) {
  std::vector<std::string> found;
  for (const std::string& line : linesOf(err)) {
    if (line.rfind(category + " ", 0) == 0)
      found.push_back(line);
  }
  return found;
}

TEST(PlayerVerbose, ThePluginLogsOnStandardErrorOnlyWhenAsked) {
  const std::string file = QUARN_EXAMPLES_DIR "/demo-utf16.ass";
  struct Row {
    std::vector<std::string> arguments;
    bool logs;
  };
  const Row rows[] = {
      {{file}, false},
      {{"--verbose", file}, true},
      {{"--json", file}, false},
      {{"--json", "--verbose", file}, true},
  };
  std::string jsonOut;
  for (const Row& row : rows) {
    const PlayerRun run = runPlayer(row.arguments);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<std::string> refusals = logLines(run.err, "Utilities");
    if (row.logs) {
      ASSERT_FALSE(refusals.empty()) << run.err;
      EXPECT_NE(refusals[0].find("Refused " + file), std::string::npos) << refusals[0];
    } else {
      EXPECT_TRUE(refusals.empty()) << run.err;
    }
    // The log never reaches standard output.
    if (row.arguments[0] == "--json") {
      if (jsonOut.empty())
        jsonOut = run.out;
      EXPECT_EQ(run.out, jsonOut);
    }
  }
  EXPECT_NE(jsonOut.find("\"name\":\"ResultFailed\""), std::string::npos) << jsonOut;
}

/// The shell's quoting of one word.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (const char c : word)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

TEST(PlayerProgress, DrawnUnderATerminalWithQuietAndErased) {
  const char* const candidates[] = {"/usr/bin/script", "/bin/script"};
  std::string scriptProgram;
  for (const char* candidate : candidates) {
    if (std::filesystem::exists(candidate)) {
      scriptProgram = candidate;
      break;
    }
  }
  if (scriptProgram.empty())
    GTEST_SKIP() << "util-linux script is needed for a pseudo-terminal";

  ScratchFolder folder;
  std::string text = kHeader;
  text.reserve(text.size() + 20000 * kEvent.size());
  for (int i = 0; i < 20000; ++i)
    text += kEvent;
  const std::string file = folder.write("long.ass", text);

  // Without a terminal: nothing but the count.
  const PlayerRun piped = runPlayer({"--quiet", file});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, "20000 entries read\n");
  EXPECT_EQ(piped.err, "");

  // Both standard output and standard error on the terminal script makes.
  const std::string command = "TERM=xterm " + quoted(QUARN_PLAY_PATH) + " --quiet " + quoted(file);
  const PlayerRun run = runProgram(scriptProgram, {"-qec", command, "/dev/null"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\rquarn-ssa-play: 20 of 20000 entries read (0%)\033[K"),
            std::string::npos)
      << run.out;
  // Erased before the count, which then starts a clean line.
  EXPECT_NE(run.out.find("\r\033[K20000 entries read\r\n"), std::string::npos) << run.out;

  // The entries shown on the same terminal: no progress line among them.
  const std::string shown = "TERM=xterm " + quoted(QUARN_PLAY_PATH) + " " + quoted(file);
  const PlayerRun listing = runProgram(scriptProgram, {"-qec", shown, "/dev/null"});
  ASSERT_EQ(listing.status, 0) << listing.err;
  EXPECT_NE(listing.out.find("20000 entries read"), std::string::npos);
  EXPECT_EQ(listing.out.find(" of 20000 entries read"), std::string::npos);
}

}  // namespace
}  // namespace Quarn::Testing
