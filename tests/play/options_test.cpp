// The player's command line: values, forms, and every way it is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Options.h"

namespace QuarnPlay {
namespace {

ParsedCommandLine parse(std::vector<std::string> arguments) {
  return parseCommandLine(arguments);
}

TEST(CommandLine, DefaultsWithOnlyASource) {
  const ParsedCommandLine p = parse({"film.ass"});
  ASSERT_EQ(p.command, Command::Play);
  EXPECT_EQ(p.options.source, "film.ass");
  EXPECT_EQ(p.options.pluginPath, "");
  EXPECT_FALSE(p.options.json);
  EXPECT_FALSE(p.options.header);
  EXPECT_FALSE(p.options.overrideEmbedded.has_value());
  EXPECT_FALSE(p.options.codepage.has_value());
  EXPECT_EQ(p.options.language, "");
  EXPECT_EQ(p.options.rate, 1000);
  EXPECT_FALSE(p.options.seek.has_value());
  EXPECT_FALSE(p.options.quiet);
  EXPECT_FALSE(p.options.realtime);
  EXPECT_FALSE(p.options.verbose);
}

TEST(CommandLine, EveryOptionInBothValueForms) {
  const ParsedCommandLine p =
      parse({"--json", "--header", "--plugin", "/m.so", "--override-embedded=false", "--codepage",
             "windows-1252", "--lang=pt-BR", "--rate", "-1000", "--seek=4294967295", "--quiet",
             "film.ass", "--realtime", "--verbose"});
  ASSERT_EQ(p.command, Command::Play) << p.error;
  EXPECT_TRUE(p.options.json);
  EXPECT_TRUE(p.options.header);
  EXPECT_EQ(p.options.pluginPath, "/m.so");
  EXPECT_EQ(p.options.overrideEmbedded, std::optional<bool>(false));
  EXPECT_EQ(p.options.codepage, std::optional<std::string>("windows-1252"));
  EXPECT_EQ(p.options.language, "pt-BR");
  EXPECT_EQ(p.options.rate, -1000);
  EXPECT_EQ(p.options.seek, std::optional<std::uint32_t>(4294967295u));
  EXPECT_TRUE(p.options.quiet);
  EXPECT_TRUE(p.options.realtime);
  EXPECT_TRUE(p.options.verbose);
  EXPECT_EQ(p.options.source, "film.ass");
}

TEST(CommandLine, ValuesAtTheLimitsAndRepeats) {
  EXPECT_EQ(parse({"--rate", "-2147483648", "x"}).options.rate, -2147483647 - 1);
  EXPECT_EQ(parse({"--rate", "+2147483647", "x"}).options.rate, 2147483647);
  EXPECT_EQ(parse({"--seek", "0", "x"}).options.seek, std::optional<std::uint32_t>(0));
  // The last of a repeated option wins.
  EXPECT_EQ(parse({"--rate", "5", "--rate", "7", "x"}).options.rate, 7);
  // Rate 0 is refused only with --realtime, and only as the rate that counts.
  EXPECT_EQ(parse({"--rate", "0", "x"}).command, Command::Play);
  EXPECT_EQ(parse({"--realtime", "--rate=0", "--rate=-5", "x"}).command, Command::Play);
  EXPECT_EQ(parse({"--override-embedded", "false", "--override-embedded", "true", "x"})
                .options.overrideEmbedded,
            std::optional<bool>(true));
  // An empty code page is still an answer; an empty language is the default.
  EXPECT_EQ(parse({"--codepage=", "x"}).options.codepage, std::optional<std::string>(""));
}

TEST(CommandLine, DoubleDashEndsOptionsAndALoneDashIsASource) {
  EXPECT_EQ(parse({"--", "--json"}).options.source, "--json");
  EXPECT_FALSE(parse({"--", "--json"}).options.json);
  EXPECT_EQ(parse({"-"}).options.source, "-");
}

TEST(CommandLine, HelpAndVersion) {
  EXPECT_EQ(parse({"--help"}).command, Command::Help);
  EXPECT_EQ(parse({"-h", "film.ass"}).command, Command::Help);
  EXPECT_EQ(parse({"--version"}).command, Command::Version);
  // Without a source, which would otherwise be an error.
  EXPECT_EQ(parse({"--json", "--version"}).command, Command::Version);
  EXPECT_NE(usageText().find("--override-embedded"), std::string::npos);
  EXPECT_EQ(versionText().rfind("quarn-ssa-play ", 0), 0u);
}

TEST(CommandLine, RefusedWithAReason) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"a.ass", "b.ass"},
      {""},
      {"--jsn", "x"},
      {"-x", "x"},
      {"x", "--seek"},
      {"--json=yes", "x"},
      {"--verbose=1", "x"},
      {"--plugin=", "x"},
      {"--override-embedded", "yes", "x"},
      {"--override-embedded", "1", "x"},
      {"--rate", "2147483648", "x"},
      {"--rate", "-2147483649", "x"},
      {"--rate", "1e3", "x"},
      {"--rate", "", "x"},
      {"--rate", "-", "x"},
      {"--rate", "99999999999999999999999", "x"},
      {"--seek", "-1", "x"},
      {"--seek", "+5", "x"},
      {"--seek", "4294967296", "x"},
      {"--seek", "12ms", "x"},
      // A paced clock at rate 0 would never move.
      {"--realtime", "--rate", "0", "x"},
      {"--rate=-0", "x", "--realtime"},
  };
  for (const auto& arguments : refused) {
    const ParsedCommandLine p = parse(arguments);
    std::string shown;
    for (const std::string& a : arguments)
      shown += "[" + a + "]";
    EXPECT_EQ(p.command, Command::UsageError) << shown;
    EXPECT_FALSE(p.error.empty()) << shown;
  }
}

}  // namespace
}  // namespace QuarnPlay
