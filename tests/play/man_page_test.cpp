// The manual page and --help must offer the same options with the same
// value placeholders, and the page must render cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Options.h"
#include "PlayerProcess.h"

namespace QuarnPlay {
namespace {

using OptionTable = std::map<std::string, std::string>;  // name -> value placeholder

/// Adds the options of one option column, "-h, --help" or "--plugin PATH".
void addOptions(const std::string& column, OptionTable& table) {
  std::size_t start = 0;
  while (start < column.size()) {
    std::size_t stop = column.find(", ", start);
    if (stop == std::string::npos)
      stop = column.size();
    const std::string entry = column.substr(start, stop - start);
    const std::size_t space = entry.find(' ');
    table[entry.substr(0, space)] = space == std::string::npos ? "" : entry.substr(space + 1);
    start = stop + 2;
  }
}

/// --help's options: lines that start with "  -", up to two spaces or the end.
OptionTable helpOptions(const std::string& usage) {
  OptionTable table;
  std::istringstream in(usage);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("  -", 0) != 0)
      continue;
    const std::string column = line.substr(2, line.find("  ", 2) - 2);
    addOptions(column, table);
  }
  return table;
}

/// The text a man(7) font macro line shows: .B and .I join their arguments
/// with spaces, the alternating ones (.BI, .BR ...) without; quotes group,
/// font escapes go, "\-" is a hyphen.
std::string macroText(const std::string& line) {
  std::istringstream in(line);
  std::string macro;
  in >> macro;
  const bool alternating = macro.size() == 3;
  std::vector<std::string> arguments;
  std::string rest;
  std::getline(in, rest);
  for (std::size_t i = 0; i < rest.size();) {
    if (rest[i] == ' ') {
      ++i;
    } else if (rest[i] == '"') {
      const std::size_t close = rest.find('"', i + 1);
      arguments.push_back(rest.substr(i + 1, close - i - 1));
      i = close == std::string::npos ? rest.size() : close + 1;
    } else {
      const std::size_t space = std::min(rest.find(' ', i), rest.size());
      arguments.push_back(rest.substr(i, space - i));
      i = space;
    }
  }
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i)
    text += (i > 0 && !alternating ? " " : "") + arguments[i];
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\f") == 0) {
      i += 2;  // and the font letter
    } else if (text.compare(i, 2, "\\-") == 0) {
      plain += '-';
      ++i;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

/// The page's options: the tag line after each .TP of section OPTIONS.
OptionTable manOptions(const std::string& page) {
  OptionTable table;
  std::istringstream in(page);
  bool inOptions = false;
  bool tagNext = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(".SH", 0) == 0) {
      inOptions = line == ".SH OPTIONS";
      continue;
    }
    if (!inOptions)
      continue;
    if (tagNext)
      addOptions(macroText(line), table);
    tagNext = line == ".TP";
  }
  return table;
}

std::string readPage() {
  std::ifstream in(QUARN_MAN_PAGE, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ManPage, ListsExactlyTheOptionsOfHelp) {
  const std::string page = readPage();
  ASSERT_FALSE(page.empty()) << QUARN_MAN_PAGE;
  const OptionTable help = helpOptions(usageText());
  EXPECT_EQ(manOptions(page), help);
  // Every option of --help is one the command line takes.
  EXPECT_GE(help.size(), 14u);
  for (const auto& [name, placeholder] : help) {
    std::vector<std::string> arguments{name};
    if (!placeholder.empty())
      arguments.push_back(placeholder == "true|false" ? "true" : "5");
    arguments.push_back("film.ass");
    EXPECT_NE(parseCommandLine(arguments).command, Command::UsageError) << name;
  }
}

// The human view's first line is explained by an example that is the line
// the player prints for the bundled script, part by part.
TEST(ManPage, ExplainsTheStreamLineThePlayerPrints) {
  const std::string page = readPage();
  const std::size_t intro = page.find("The line about the stream reads");
  ASSERT_NE(intro, std::string::npos);
  const std::size_t example = page.find(".EX\n", intro) + 4;
  std::string shown = page.substr(example, page.find('\n', example) - example);
  for (std::size_t at; (at = shown.find("\\-")) != std::string::npos;)
    shown.replace(at, 2, "-");
  const Quarn::Testing::PlayerRun run = Quarn::Testing::runPlayer({QUARN_EXAMPLES_DIR "/demo.ass"});
  EXPECT_EQ(shown, run.out.substr(0, run.out.find('\n')));
  for (const char* part : {"name", "language and region", "format code, kind and variant",
                           "picture size", "number of entries"})
    EXPECT_NE(page.find(part, intro), std::string::npos) << part;
}

TEST(ManPage, RendersWithoutWarnings) {
  const std::string groff = "/usr/bin/groff";
  if (!std::filesystem::exists(groff))
    GTEST_SKIP() << "groff is needed to render the page";
  const Quarn::Testing::PlayerRun run =
      Quarn::Testing::runProgram(groff, {"-man", "-Tutf8", "-ww", "-z", QUARN_MAN_PAGE});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace QuarnPlay
