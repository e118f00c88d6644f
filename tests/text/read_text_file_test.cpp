// Reading a whole file to UTF-8 from real files: the encoding decision from
// the host's two settings and the byte-order mark, the first-character
// check, and the failures with their log lines.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "support/FakeHost.h"
#include "support/LogCapture.h"
#include "text/ParserUtilities.h"
#include "text/TempFolder.h"

namespace {

using Quarn::ParserUtilities;
using Quarn::String;
using Quarn::Testing::FakeContainerHost;
using Quarn::Testing::LogCapture;

const std::string kUtf16LeMark = "\xFF\xFE";
const std::string kUtf8Mark = "\xEF\xBB\xBF";

std::string utf16le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// The messages logged, each checked to come from the reader.
std::vector<std::string> readerMessages(const LogCapture& log) {
  std::vector<std::string> messages;
  for (const auto& line : log.lines()) {
    EXPECT_EQ(line.category + " " + line.function,
              "Utilities Quarn::ParserUtilities::readTextFile");
    EXPECT_GT(line.line, 0);
    messages.push_back(line.message);
  }
  return messages;
}

class ReadTextFile : public ::testing::Test {
 protected:
  // The text read from a file holding `bytes`, or "<refused>".
  std::string read(const std::string& bytes, Quarn::ContainerHost* host, std::int32_t size = -1) {
    return readPath(folder.write("script.ass", bytes), host, size);
  }
  std::string readPath(const std::string& path, Quarn::ContainerHost* host,
                       std::int32_t size = -1) {
    String<unsigned char> out;
    if (!ParserUtilities::readTextFile(String<unsigned char>(path.c_str()), host, &out, size))
      return "<refused>";
    return std::string(out.cText(), out.length());
  }
  std::vector<std::string> settingsAsked() const {
    std::vector<std::string> asked;
    for (const auto& call : host.log.calls())
      asked.push_back(call.argument);
    return asked;
  }

  Quarn::Testing::TempFolder folder;
  FakeContainerHost host;
};

// The decision table, row by row.
TEST_F(ReadTextFile, OverrideFalseLetsAMarkDecideAndSkipsIt) {
  host.setBoolean("OverrideEmbedded", false);
  host.setText("Name", "windows-1252");  // not asked while a mark decides
  EXPECT_EQ(read(kUtf16LeMark + utf16le(u"[Script Info] \u00E9"), &host), "[Script Info] \xC3\xA9");
  EXPECT_EQ(settingsAsked(), std::vector<std::string>{"4/CodePage/OverrideEmbedded"});
  EXPECT_EQ(read(std::string("\xFE\xFF\x00\x41", 4), &host), "A");
  EXPECT_EQ(read(std::string("\xFF\xFE\0\0A\0\0\0", 8), &host), "A") << "UTF-32 LE";
  EXPECT_EQ(read(kUtf8Mark + "Dialogue", &host), "Dialogue");
  EXPECT_EQ(read(kUtf16LeMark, &host), "<refused>") << "nothing after the mark";
}

TEST_F(ReadTextFile, WithoutAMarkTheHostsNameDecides) {
  host.setBoolean("OverrideEmbedded", false);
  host.setText("Name", "windows-1252");
  EXPECT_EQ(read("caf\xE9 \x80", &host), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(settingsAsked(),
            (std::vector<std::string>{"4/CodePage/OverrideEmbedded", "4/CodePage/Name"}));
  host.setText("Name", "Shift_JIS");
  EXPECT_EQ(read("\x82\xA0"
                 "A",
                 &host),
            "\xE3\x81\x82"
            "A");
  host.setText("Name", "no-such-encoding");
  EXPECT_EQ(read("abc", &host), "<refused>");
  host.setText("Name", "");  // an empty name is no name: passed through
  EXPECT_EQ(read(std::string("A\0B\xFF", 4), &host), std::string("A\0B\xFF", 4));
}

TEST_F(ReadTextFile, OverrideTrueOrNotABooleanIgnoresTheMark) {
  const std::string marked = kUtf16LeMark + utf16le(u"AB");
  host.setBoolean("OverrideEmbedded", true);
  host.setText("Name", "UTF16-LE");
  EXPECT_EQ(read(marked, &host), kUtf8Mark + "AB") << "the mark is converted with the rest";
  FakeContainerHost textAnswer;
  textAnswer.setText("OverrideEmbedded", "false");
  textAnswer.setText("Name", "UTF16-LE");
  EXPECT_EQ(read(marked, &textAnswer), kUtf8Mark + "AB");
  FakeContainerHost nameless;
  nameless.setBoolean("OverrideEmbedded", true);
  EXPECT_EQ(read(marked, &nameless), "<refused>") << "passed through: FF starts no character";
}

TEST_F(ReadTextFile, NoSettingsOrNoHostPassTheBytesThrough) {
  EXPECT_EQ(read(kUtf8Mark + "A", &host), kUtf8Mark + "A");
  EXPECT_EQ(read(kUtf8Mark + "A", nullptr), kUtf8Mark + "A");
  EXPECT_EQ(read(kUtf16LeMark + utf16le(u"A"), nullptr), "<refused>");
  EXPECT_EQ(read("A", nullptr), "A");
}

TEST_F(ReadTextFile, OnlyTheFirstCharacterIsChecked) {
  EXPECT_EQ(read("A\xE9", &host), "A\xE9");
  EXPECT_EQ(read("\xE9"
                 "A",
                 &host),
            "<refused>");
  EXPECT_EQ(read("\xE2\x82\xAC", &host), "\xE2\x82\xAC");
  EXPECT_EQ(read("\xE2\x82", &host), "<refused>");
  EXPECT_EQ(read(std::string("\0A", 2), &host), std::string("\0A", 2));
  // Converted text ends at its first zero character.
  host.setBoolean("OverrideEmbedded", false);
  EXPECT_EQ(read(kUtf16LeMark + utf16le(std::u16string(u"AB\0C", 4)), &host), "AB");
  EXPECT_EQ(read(std::string("\xFE\xFF\0\0\0A", 6), &host), "<refused>");
}

TEST_F(ReadTextFile, AbsentConverterLibraryRefusesConversionsOnly) {
  const KVDSOLD::UCNVLibrary absent(
      std::vector<KVDSOLD::LibraryCandidate>{{"/nonexistent/libicuuc.so.1", "_1"}});
  const String<unsigned char> path(folder.write("utf8.ass", kUtf8Mark + "A").c_str());
  String<unsigned char> out("kept");
  host.setBoolean("OverrideEmbedded", false);
  EXPECT_FALSE(ParserUtilities::readTextFile(path, &host, &out, -1, &absent));
  EXPECT_STREQ(out.cText(), "kept") << "a refusal leaves the output as it was";
  EXPECT_TRUE(ParserUtilities::readTextFile(path, nullptr, &out, -1, &absent));
  EXPECT_EQ(out.toStdString(), kUtf8Mark + "A");
}

TEST_F(ReadTextFile, SizesAndRefusedTextsAreLoggedAsDocumented) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  LogCapture log;
  const std::string script = (folder.path() / "script.ass").string();
  EXPECT_EQ(read("Hello", &host, 4), "Hell");
  EXPECT_EQ(read("", &host), "<refused>");
  EXPECT_EQ(read("Hello", &host, 100), "<refused>");
  EXPECT_EQ(read("Hello", &host, -7), "<refused>");
  EXPECT_EQ(read("Hello", &host, INT_MAX), "<refused>") << "no room for the terminator";
  // Sparse, so it takes no disk space: too large for the buffer, never truncated.
  const std::string huge = folder.write("huge.ass", "");
  ASSERT_EQ(::truncate(huge.c_str(), std::int64_t{1} << 31), 0);
  EXPECT_EQ(readPath(huge, &host), "<refused>");
  EXPECT_FALSE(ParserUtilities::readTextFile(String<unsigned char>("/x"), &host, nullptr, -1));
  EXPECT_EQ(readerMessages(log),
            (std::vector<std::string>{
                "Refused " + script + ": the file is empty",
                "Tried to read 100 bytes, got 5",
                "Refused " + script + ": -7 is no number of bytes to read",
                "Refused " + script + ": 2147483647 bytes is more than a text may hold",
                "Refused " + huge + ": 2147483648 bytes is more than a text may hold",
            }));
}

// UTF-16 named with its byte order is converted as it is read, a megabyte at a
// time; under another name for the same converter the whole text goes
// through ICU. Both must read the same, wherever a pair or a fault falls.
TEST_F(ReadTextFile, Utf16ReadInPiecesReadsAsIcuDoes) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  auto readAs = [&](const char* name, const std::string& bytes) {
    FakeContainerHost named;
    named.setText("Name", name);
    return read(bytes, &named);
  };
  const std::string plain(kPiece + 4096, 'a');  // bytes, two per unit
  struct Row {
    const char* what;
    std::size_t at;
    std::u16string units;
    bool oddByte;
  };
  const Row rows[] = {
      {"a pair across the end of the first piece", kPiece - 2, u"\xD83D\xDE00", false},
      {"a lone high surrogate in the second piece", kPiece + 100, u"\xD83D", false},
      {"a lone high surrogate as the very last unit", plain.size() - 2, u"\xD83D", false},
      {"an odd byte at the end", 0, u"", true},
  };
  for (const Row& row : rows) {
    std::string bytes = plain;
    bytes.replace(row.at, 2 * row.units.size(), utf16le(row.units));
    if (row.oddByte)
      bytes += 'z';
    const std::string pieces = readAs("UTF-16LE", bytes);
    ASSERT_NE(pieces, "<refused>") << row.what;
    EXPECT_EQ(pieces, readAs("UnicodeLittleUnmarked", bytes)) << row.what;
  }
}

// Every refusal of a text says what was refused and why, in one line.
TEST_F(ReadTextFile, EachRefusedTextLogsItsReason) {
  ASSERT_TRUE(LogCapture::available());
  const KVDSOLD::UCNVLibrary absent(
      std::vector<KVDSOLD::LibraryCandidate>{{"/nonexistent/libicuuc.so.1", "_1"}});
  const KVDSOLD::UCNVLibrary& icu = KVDSOLD::UCNVLibrary::instance();
  struct Row {
    const char* why;
    std::string bytes;
    std::optional<bool> overrideEmbedded;
    const char* codePage;
    const KVDSOLD::UCNVLibrary& converters;
    std::string message;  // after "Refused <path>: "
  };
  const Row rows[] = {
      // A mark with nothing after it, for marks of each length.
      {"UTF-16 mark only", kUtf16LeMark, false, nullptr, icu,
       "the file holds only a UTF16-LE byte-order mark"},
      {"UTF-8 mark only", kUtf8Mark, false, nullptr, icu,
       "the file holds only a UTF8 byte-order mark"},
      {"UTF-32 mark only", std::string("\xFF\xFE\0\0", 4), false, nullptr, icu,
       "the file holds only a UTF32-LE byte-order mark"},
      {"UTF-7 mark only", "+/v8", false, nullptr, icu,
       "the file holds only a UTF7 byte-order mark"},
      // Conversions that cannot start or give nothing.
      {"unknown code page", "abc", std::nullopt, "no-such-encoding", icu,
       "no converter for no-such-encoding"},
      {"converter library absent", "abc", std::nullopt, "windows-1252", absent,
       "no converter library to decode windows-1252"},
      {"decoded text begins with a zero character", std::string("\xFE\xFF\0\0\0A", 6), false,
       nullptr, icu, "no text once decoded as UTF16-BE"},
      {"UTF-7 mark and its terminator only", "+/v8-", false, nullptr, icu,
       "no text once decoded as UTF7"},
      // Passed through, but not text.
      {"first byte starts no character",
       "\xE9"
       "A",
       std::nullopt, nullptr, icu, "the text does not begin with a well-formed UTF-8 character"},
  };
  for (const Row& row : rows) {
    FakeContainerHost asked;
    if (row.overrideEmbedded)
      asked.setBoolean("OverrideEmbedded", *row.overrideEmbedded);
    if (row.codePage != nullptr)
      asked.setText("Name", row.codePage);
    const std::string path = folder.write("refused.ass", row.bytes);
    LogCapture log;
    String<unsigned char> out("kept");
    EXPECT_FALSE(ParserUtilities::readTextFile(String<unsigned char>(path.c_str()), &asked, &out,
                                               -1, &row.converters))
        << row.why;
    EXPECT_STREQ(out.cText(), "kept") << row.why;
    EXPECT_EQ(readerMessages(log), std::vector<std::string>{"Refused " + path + ": " + row.message})
        << row.why;
  }
}

// The UTF-7 mark shares its last base64 digits with the characters after it:
// the text is decoded whole and the decoded mark dropped.
TEST_F(ReadTextFile, Utf7MarkKeepsTheCharactersThatShareItsDigits) {
  host.setBoolean("OverrideEmbedded", false);
  // U+FEFF then U+00E9 in one base64 run, then a plain script line.
  EXPECT_EQ(read("+/v8A6Q-[Script Info]", &host), "\xC3\xA9[Script Info]");
  EXPECT_EQ(read("+/v8A6Q[Script Info]", &host), "\xC3\xA9[Script Info]")
      << "a run may also end at a character outside the base64 set";
  // The mark closed by "-": the text after it arrives whole.
  EXPECT_EQ(read("+/v8-[Script Info]\r\nTitle: x", &host), "[Script Info]\r\nTitle: x");
  // Only the mark is dropped: a second U+FEFF is text.
  EXPECT_EQ(read("+/v/+/w-A", &host),
            "\xEF\xBB\xBF"
            "A");
}

TEST_F(ReadTextFile, WhatCannotBeOpenedIsLoggedAndNeverBlocks) {
  ASSERT_TRUE(LogCapture::available());
  const std::string dir = folder.path().string();
  const std::string fifo = dir + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string badName = dir + "/bad\xC0\xAF.ass";
  folder.write("bad\xC0\xAF.ass", "A");  // exists, but its name is no UTF-8
  folder.write("a.ass", "A");
  const std::string zeroPath = dir + std::string("/a.ass\0x", 8);

  LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path :
       {fifo, dir, dir + "/missing.ass", badName, std::string("/dev/zero")})
    EXPECT_EQ(readPath(path, &host), "<refused>") << path;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  String<unsigned char> out;
  EXPECT_FALSE(ParserUtilities::readTextFile(
      String<unsigned char>(zeroPath.data(), static_cast<std::uint32_t>(zeroPath.size())), &host,
      &out, -1))
      << "a zero byte must not cut the path short";
  EXPECT_FALSE(ParserUtilities::readTextFile(String<unsigned char>(), &host, &out, -1));

  std::vector<std::string> expected;
  for (const std::string& path : {fifo, dir, dir + "/missing.ass", badName,
                                  std::string("/dev/zero"), dir + "/a.ass", std::string()})
    expected.push_back("Failed to open file " + path);
  EXPECT_EQ(readerMessages(log), expected);
  EXPECT_TRUE(host.log.calls().empty()) << "settings are asked only after a read";
}

}  // namespace
