// Reading a whole file to UTF-8: the encoding decision from the host's two
// settings and the byte-order mark, the first-character check, and the
// failures with their log lines. Every case reads a real file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
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
using Quarn::Testing::TempFolder;

constexpr const char* kReader = "Quarn::ParserUtilities::readTextFile";

String<unsigned char> pathOf(const std::string& path) {
  return String<unsigned char>(path.c_str());
}

// The text read, or "<refused>".
std::string readBack(const std::string& path, Quarn::ContainerHost* host, std::int32_t size = -1) {
  String<unsigned char> out;
  if (!ParserUtilities::readTextFile(pathOf(path), host, &out, size))
    return "<refused>";
  EXPECT_NE(out.data(), nullptr);
  return std::string(out.cText(), out.length());
}

std::string utf16le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The messages logged, each checked to come from the reader with a line.
std::vector<std::string> readerMessages(const LogCapture& log) {
  std::vector<std::string> messages;
  for (const auto& line : log.lines()) {
    EXPECT_EQ(line.category, "Utilities");
    EXPECT_EQ(line.function, kReader);
    EXPECT_GT(line.line, 0);
    messages.push_back(line.message);
  }
  return messages;
}

const std::string kUtf16LeMark = "\xFF\xFE";
const std::string kUtf8Mark = "\xEF\xBB\xBF";

class ReadTextFile : public ::testing::Test {
 protected:
  std::vector<std::string> settingsAsked() const {
    std::vector<std::string> asked;
    for (const auto& call : host.log.calls())
      asked.push_back(call.argument);
    return asked;
  }

  TempFolder folder;
  FakeContainerHost host;
};

// One row per line of the decision table: what the host answers, whether a
// mark is present, and what comes out.
TEST_F(ReadTextFile, OverrideFalseWithMarkUsesTheMarkAndSkipsIt) {
  host.setBoolean("OverrideEmbedded", false);
  host.setText("Name", "windows-1252");  // not asked: the mark decides
  const std::string file = folder.write("le.ass", kUtf16LeMark + utf16le(u"[Script Info] \u00E9"));
  EXPECT_EQ(readBack(file, &host), "[Script Info] \xC3\xA9");
  EXPECT_EQ(settingsAsked(), std::vector<std::string>{"4/CodePage/OverrideEmbedded"});

  const std::string be = folder.write("be.ass", std::string("\xFE\xFF\x00\x41\x20\xAC", 6));
  EXPECT_EQ(readBack(be, &host), "A\xE2\x82\xAC");
  const std::string le32 =
      folder.write("le32.ass", std::string("\xFF\xFE\x00\x00\x41\x00\x00\x00", 8));
  EXPECT_EQ(readBack(le32, &host), "A");
  const std::string utf8 = folder.write("utf8.ass", kUtf8Mark + "Dialogue");
  EXPECT_EQ(readBack(utf8, &host), "Dialogue") << "the UTF-8 mark goes through ICU and is dropped";
}

TEST_F(ReadTextFile, OverrideFalseWithoutMarkUsesTheHostsName) {
  host.setBoolean("OverrideEmbedded", false);
  host.setText("Name", "windows-1252");
  const std::string file = folder.write("cp.ass", "caf\xE9 \x80");
  EXPECT_EQ(readBack(file, &host), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(settingsAsked(),
            (std::vector<std::string>{"4/CodePage/OverrideEmbedded", "4/CodePage/Name"}));

  host.setText("Name", "Shift_JIS");
  const std::string sjis = folder.write("sjis.ass",
                                        "\x82\xA0"
                                        "A");
  EXPECT_EQ(readBack(sjis, &host),
            "\xE3\x81\x82"
            "A");
}

TEST_F(ReadTextFile, OverrideFalseWithoutMarkOrNamePassesThrough) {
  host.setBoolean("OverrideEmbedded", false);
  const std::string file = folder.write("plain.ass", std::string("A\0B\xFF", 4));
  EXPECT_EQ(readBack(file, &host), std::string("A\0B\xFF", 4))
      << "an exact copy, embedded zero and later ill-formed bytes included";
  host.setText("Name", "");
  EXPECT_EQ(readBack(file, &host), std::string("A\0B\xFF", 4)) << "an empty name is no name";
}

TEST_F(ReadTextFile, OverrideTrueOrNotBooleanIgnoresTheMark) {
  const std::string file = folder.write("le.ass", kUtf16LeMark + utf16le(u"AB"));

  host.setBoolean("OverrideEmbedded", true);
  host.setText("Name", "UTF16-LE");
  // The mark's two bytes are converted with the rest: U+FEFF comes out.
  EXPECT_EQ(readBack(file, &host),
            "\xEF\xBB\xBF"
            "AB");

  FakeContainerHost textAnswer;
  textAnswer.setText("OverrideEmbedded", "false");  // a text is not a boolean false
  textAnswer.setText("Name", "UTF16-LE");
  EXPECT_EQ(readBack(file, &textAnswer),
            "\xEF\xBB\xBF"
            "AB");

  FakeContainerHost nameless;
  nameless.setBoolean("OverrideEmbedded", true);
  EXPECT_EQ(readBack(file, &nameless), "<refused>") << "passed through, FF starts no character";
}

TEST_F(ReadTextFile, NoSettingsPassTheBytesThroughMarkIncluded) {
  const std::string utf8 = folder.write("utf8.ass", kUtf8Mark + "A");
  EXPECT_EQ(readBack(utf8, &host), kUtf8Mark + "A");
  const std::string le = folder.write("le.ass", kUtf16LeMark + utf16le(u"A"));
  EXPECT_EQ(readBack(le, &host), "<refused>");
  EXPECT_EQ(settingsAsked(),
            (std::vector<std::string>{"4/CodePage/OverrideEmbedded", "4/CodePage/Name",
                                      "4/CodePage/OverrideEmbedded", "4/CodePage/Name"}));
}

TEST_F(ReadTextFile, WithoutAHostBehavesAsWithoutSettings) {
  const std::string ascii = folder.write("a.ass", "A");
  EXPECT_EQ(readBack(ascii, nullptr), "A");
  const std::string le = folder.write("le.ass", kUtf16LeMark + utf16le(u"A"));
  EXPECT_EQ(readBack(le, nullptr), "<refused>");
}

TEST_F(ReadTextFile, OnlyTheFirstCharacterIsChecked) {
  EXPECT_EQ(readBack(folder.write("1.ass", "A\xE9"), &host), "A\xE9");
  EXPECT_EQ(readBack(folder.write("2.ass",
                                  "\xE9"
                                  "A"),
                     &host),
            "<refused>");
  EXPECT_EQ(readBack(folder.write("3.ass", "\xE2\x82\xAC"), &host), "\xE2\x82\xAC");
  EXPECT_EQ(readBack(folder.write("4.ass", "\xE2\x82"), &host), "<refused>") << "incomplete";
  EXPECT_EQ(readBack(folder.write("5.ass", std::string("\0A", 2)), &host), std::string("\0A", 2))
      << "a zero byte is a well-formed first character";
}

TEST_F(ReadTextFile, ConvertedTextEndsAtItsFirstZeroCharacter) {
  host.setBoolean("OverrideEmbedded", false);
  const std::string cut =
      folder.write("cut.ass", kUtf16LeMark + utf16le(std::u16string(u"AB\0C", 4)));
  EXPECT_EQ(readBack(cut, &host), "AB");
  // Big-endian: FF FE 00 00 would be a UTF-32 mark.
  const std::string empty = folder.write("zero.ass", std::string("\xFE\xFF\x00\x00\x00\x41", 6));
  EXPECT_EQ(readBack(empty, &host), "<refused>");
}

TEST_F(ReadTextFile, NothingToDecodeIsRefusedWithoutALogLine) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  LogCapture log;
  host.setBoolean("OverrideEmbedded", false);
  EXPECT_EQ(readBack(folder.write("empty.ass", ""), &host), "<refused>");
  EXPECT_EQ(readBack(folder.write("mark.ass", kUtf16LeMark), &host), "<refused>");
  host.setText("Name", "no-such-encoding");
  EXPECT_EQ(readBack(folder.write("x.ass", "abc"), &host), "<refused>");
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(ReadTextFile, AbsentConverterLibraryRefusesEveryConversion) {
  const KVDSOLD::UCNVLibrary absent(
      std::vector<KVDSOLD::LibraryCandidate>{{"/nonexistent/libicuuc.so.1", "_1"}});
  host.setBoolean("OverrideEmbedded", false);
  const std::string file = folder.write("utf8.ass", kUtf8Mark + "A");
  String<unsigned char> out("kept");
  EXPECT_FALSE(ParserUtilities::readTextFile(pathOf(file), &host, &out, -1, absent));
  EXPECT_STREQ(out.cText(), "kept") << "a refusal leaves the output as it was";
  // No settings: no conversion, so the missing library does not matter.
  FakeContainerHost none;
  EXPECT_TRUE(ParserUtilities::readTextFile(pathOf(file), &none, &out, -1, absent));
  EXPECT_EQ(out.toStdString(), kUtf8Mark + "A");
}

TEST_F(ReadTextFile, ExplicitSizeReadsAPrefixOrFails) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  const std::string file = folder.write("s.ass", "Hello");
  EXPECT_EQ(readBack(file, &host, 4), "Hell");
  LogCapture log;
  EXPECT_EQ(readBack(file, &host, 100), "<refused>");
  EXPECT_EQ(readBack(file, &host, -7), "<refused>");
  EXPECT_EQ(readBack(file, &host, INT32_MAX), "<refused>") << "no room for the terminator";
  EXPECT_EQ(readerMessages(log),
            (std::vector<std::string>{"Tried to read 100 bytes, got 5", "Couldn't allocate 0 bytes",
                                      "Couldn't allocate 2147483648 bytes"}));
}

TEST_F(ReadTextFile, NullOutputFailsBeforeAnythingElse) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  LogCapture log;
  EXPECT_FALSE(ParserUtilities::readTextFile(pathOf("/nonexistent"), &host, nullptr, -1));
  EXPECT_TRUE(log.lines().empty());
  EXPECT_TRUE(host.log.calls().empty());
}

TEST_F(ReadTextFile, PathsThatCannotBeOpenedAreLogged) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  const std::string fifo = (folder.path() / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string directory = folder.path().string();
  const std::string missing = (folder.path() / "missing.ass").string();
  const std::string invalid = directory + "/bad\xC0\xAF.ass";
  folder.write("bad\xC0\xAF.ass", "A");  // exists, but its name is no UTF-8
  folder.write("a.ass", "A");

  LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(readBack(fifo, &host), "<refused>") << "a FIFO must not block the reader";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(readBack(directory, &host), "<refused>");
  EXPECT_EQ(readBack(missing, &host), "<refused>");
  EXPECT_EQ(readBack(invalid, &host), "<refused>");
  EXPECT_EQ(readBack("/dev/zero", &host), "<refused>") << "a device would read forever";
  const std::string zeroPath = directory + std::string("/a.ass\0x", 8);
  String<unsigned char> withZero(reinterpret_cast<const unsigned char*>(zeroPath.data()),
                                 static_cast<std::uint32_t>(zeroPath.size()));
  String<unsigned char> out;
  EXPECT_FALSE(ParserUtilities::readTextFile(withZero, &host, &out, -1))
      << "a zero byte must not cut the path short";
  EXPECT_FALSE(ParserUtilities::readTextFile(String<unsigned char>(), &host, &out, -1));

  EXPECT_EQ(readerMessages(log),
            (std::vector<std::string>{
                "Failed to open file " + fifo, "Failed to open file " + directory,
                "Failed to open file " + missing, "Failed to open file " + invalid,
                "Failed to open file /dev/zero", "Failed to open file " + directory + "/a.ass",
                "Failed to open file "}));
  EXPECT_TRUE(host.log.calls().empty()) << "settings are asked only after a read";
}

TEST_F(ReadTextFile, FileTooLargeForTheBufferIsRefusedNotTruncated) {
  ASSERT_TRUE(LogCapture::available()) << "the reference logging library is built beside the tests";
  // Sparse: takes no disk space.
  const std::string file = folder.write("huge.ass", "");
  ASSERT_EQ(::truncate(file.c_str(), std::int64_t{1} << 31), 0);
  LogCapture log;
  EXPECT_EQ(readBack(file, &host), "<refused>");
  EXPECT_EQ(readerMessages(log), std::vector<std::string>{"Couldn't allocate 2147483649 bytes"});
}

}  // namespace
