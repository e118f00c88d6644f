// The player's two views and the small formats they share.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Report.h"

namespace QuarnPlay {
namespace {

TEST(ReportFormats, ResultCodesAreEightUpperCaseHexDigits) {
  EXPECT_EQ(formatResultCode(Quarn::ResultOk), "0x00000000");
  EXPECT_EQ(formatResultCode(Quarn::ResultFailed), "0x80100001");
  EXPECT_EQ(formatResultCode(Quarn::ResultBadLocation), "0x80800001");
  EXPECT_EQ(formatResultCode(Quarn::ResultUnavailable), "0xFFFFFFFF");
  EXPECT_EQ(formatResultCode(0xABCDE), "0x000ABCDE");
}

TEST(ReportFormats, OpenResultNamesOnlyTheCodesOpenReturns) {
  EXPECT_STREQ(openResultName(Quarn::ResultOk), "ResultOk");
  EXPECT_STREQ(openResultName(Quarn::ResultFailed), "ResultFailed");
  EXPECT_STREQ(openResultName(Quarn::ResultBadLocation), "ResultBadLocation");
  // Known elsewhere, but not an answer of open.
  EXPECT_STREQ(openResultName(Quarn::ResultNoInterface), "unknown");
  EXPECT_STREQ(openResultName(Quarn::ResultUnavailable), "unknown");
  EXPECT_STREQ(openResultName(42), "unknown");
}

TEST(ReportFormats, MediaTimes) {
  EXPECT_EQ(formatMediaTime(0), "0:00:00.000");
  EXPECT_EQ(formatMediaTime(1050), "0:00:01.050");
  EXPECT_EQ(formatMediaTime(3723040), "1:02:03.040");
  EXPECT_EQ(formatMediaTime(36000000), "10:00:00.000");
  // Hours are not limited to two digits: the largest time.
  EXPECT_EQ(formatMediaTime(4294967295u), "1193:02:47.295");
}

TEST(ReportFormats, PayloadTextDropsOnlyTheTerminatingZero) {
  const unsigned char bytes[] = {'a', 0, 'b', 0};
  EXPECT_EQ(payloadText(bytes, 4, 4), std::string_view("a\0b", 3));
  // No terminator: every counted byte is text.
  EXPECT_EQ(payloadText(bytes, 3, 4), std::string_view("a\0b", 3));
  // A length beyond the block is cut to the block.
  EXPECT_EQ(payloadText(bytes, 100, 2), std::string_view("a", 1));
  EXPECT_EQ(payloadText(nullptr, 5, 5), std::string_view());
  EXPECT_EQ(payloadText(bytes, 0, 4), std::string_view());
}

/// A report writing into memory.
class Captured {
 public:
  Captured() : file_(open_memstream(&buffer_, &size_)) {}
  ~Captured() {
    if (file_ != nullptr)
      std::fclose(file_);
    std::free(buffer_);
  }
  std::FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

StreamSummary demoStream() {
  StreamSummary s;
  s.id = 7;
  s.name = "film.ass";
  s.type = 320;
  s.format.tag[0] = 'S';
  s.format.tag[1] = 'S';
  s.format.tag[2] = 'A';
  s.format.formatCode = 20;
  s.format.kind = 4;
  s.width = 640;
  s.height = 480;
  return s;
}

TEST(JsonReportLines, FieldsInTheContractsOrder) {
  Captured out;
  JsonReport report(out.file(), false, false);
  report.probe(false);
  report.open(Quarn::ResultOk);
  report.streamOffered(demoStream());
  report.header("SUB ", 4, 6, "[A]\r\n");
  report.seek(2500, 1000, Quarn::ResultOk);
  report.seek(10, std::nullopt, Quarn::ResultFailed);
  report.streamReading(demoStream(), 3);  // the human view's business
  report.chunk(1000, 4000, 3, "Hi");
  report.end(1, true);
  EXPECT_EQ(out.text(),
            "{\"event\":\"probe\",\"accepted\":false}\n"
            "{\"event\":\"open\",\"result\":\"0x00000000\",\"name\":\"ResultOk\"}\n"
            "{\"event\":\"stream\",\"id\":7,\"name\":\"film.ass\",\"language\":\"\","
            "\"region\":\"\",\"type\":320,\"format\":{\"tag\":\"SSA\",\"code\":20,\"kind\":4,"
            "\"variant\":0},\"width\":640,\"height\":480}\n"
            "{\"event\":\"header\",\"tag\":\"SUB \",\"kind\":4,\"length\":6,"
            "\"text\":\"[A]\\r\\n\"}\n"
            "{\"event\":\"seek\",\"requested\":2500,\"reached\":1000,\"result\":\"0x00000000\"}\n"
            "{\"event\":\"seek\",\"requested\":10,\"reached\":null,\"result\":\"0x80100001\"}\n"
            "{\"event\":\"chunk\",\"timestamp\":1000,\"duration\":4000,\"length\":3,"
            "\"text\":\"Hi\"}\n"
            "{\"event\":\"end\",\"chunks\":1,\"stalled\":true}\n");
}

TEST(HumanReportLines, StreamLineComesFirstThenHeaderSeekAndEntries) {
  Captured out;
  HumanReport report(out.file(), false, false);
  EXPECT_TRUE(report.wantsEntryCount());
  report.probe(true);
  report.open(Quarn::ResultOk);
  report.streamOffered(demoStream());
  // Header and seek arrive before the stream line can be written.
  report.header("SUB ", 4, 20, "[A]\r\n\r\nB: 1\nC\r");
  report.seek(2500, 1000, Quarn::ResultOk);
  StreamSummary stream = demoStream();
  stream.language = "pt";
  stream.region = "BR";
  report.streamReading(stream, 2);
  report.chunk(1000, 4000, 12, std::string("Dialogue: \x1b\0", 12));
  report.chunk(3723040, 1, 3, "Hi");
  report.end(2, false);
  EXPECT_EQ(out.text(),
            "film.ass [pt-BR]: SSA 20/4/0, 640x480, 2 entries\n"
            "header 'SUB ', kind 4, 20 bytes:\n"
            "  [A]\n"
            "  B: 1\n"
            "  C\n"
            "seek to 0:00:02.500: reached 0:00:01.000\n"
            "0:00:01.000 0:00:05.000  Dialogue: ^[^@\n"
            "1:02:03.040 1:02:03.041  Hi\n"
            "2 entries read\n");
}

}  // namespace
}  // namespace QuarnPlay
