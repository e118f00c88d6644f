// The block convention of GStreamer's SSA/ASS consumers: what the element
// makes of the script's header and of each event line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SubtitleBlocks.h"

namespace QuarnGst {
namespace {

constexpr const char* kAssHeader =
    "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\n"
    "Style: Default,Sans\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";

TEST(SubtitleBlocks, FormatComesFromTheEventsFormatLine) {
  struct Row {
    const char* header;
    std::vector<std::string> columns;
    std::size_t start;
    std::size_t end;
  };
  const std::vector<Row> rows = {
      {kAssHeader,
       {"Layer", "Start", "End", "Style", "Name", "MarginL", "MarginR", "MarginV", "Effect",
        "Text"},
       1,
       2},
      // The styles' Format line comes first; the last one is the events'.
      {"[V4 Styles]\nFormat: Name, Fontname\n[Events]\nformat:Marked,Start,End,Style,Text",
       {"Marked", "Start", "End", "Style", "Text"},
       1,
       2},
      {"[Events]\rFormat: Layer, Style, Name, Start, End, Text\r",
       {"Layer", "Style", "Name", "Start", "End", "Text"},
       3,
       4},
      {"[Events]\nFormat: Layer, start, END, Text", {"Layer", "start", "END", "Text"}, 1, 2},
      // Without Start and End they are where every writer puts them.
      {"[Events]\nFormat: Layer, Style, Text", {"Layer", "Style", "Text"}, 1, 2},
  };
  for (const Row& row : rows) {
    const EventFormat format = eventFormatOf(row.header);
    EXPECT_EQ(format.columns, row.columns) << row.header;
    EXPECT_EQ(format.start, row.start) << row.header;
    EXPECT_EQ(format.end, row.end) << row.header;
  }
  EXPECT_EQ(eventFormatOf("[Script Info]\nTitle: none").columns.size(), 10u);
}

TEST(SubtitleBlocks, BlockDropsKindStartAndEndAndKeepsTheRest) {
  const EventFormat standard = eventFormatOf(kAssHeader);
  const EventFormat reordered = eventFormatOf(
      "[Events]\nFormat: Layer, Style, Name, Start, End, MarginL, MarginR, "
      "MarginV, Effect, Text");
  const EventFormat ssa = eventFormatOf(
      "[Events]\nFormat: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text");
  struct Row {
    const EventFormat* format;
    const char* line;
    unsigned readOrder;
    const char* block;
  };
  const std::vector<Row> rows = {
      {&standard, "Dialogue: 0,0:00:01.20,0:00:04.00,Default,Mara,0,0,0,,You're late.", 3,
       "3,0,Default,Mara,0,0,0,,You're late."},
      // Commas in the text stay; so do spaces inside fields.
      {&standard, "Dialogue: 1,0:00:00.50,0:00:06.00,Sign, A ,0,0,0,,{\\an8}One, two,, three", 0,
       "0,1,Sign, A ,0,0,0,,{\\an8}One, two,, three"},
      {&standard, "Comment: 0,0:00:00.00,0:00:00.50,Default,,0,0,0,,A note", 12,
       "12,0,Default,,0,0,0,,A note"},
      {&standard, "Dialogue:0,0:00:01.00,0:00:02.00,Default,,0,0,0,,No space after the colon", 1,
       "1,0,Default,,0,0,0,,No space after the colon"},
      {&reordered, "Dialogue: 0,Default,Bo,0:00:03.00,0:00:05.00,0,0,0,,Later, first", 2,
       "2,0,Default,Bo,0,0,0,,Later, first"},
      {&ssa, "Dialogue: Marked=0,0:00:01.00,0:00:03.00,Default,,0000,0000,0000,,First", 0,
       "0,Marked=0,Default,,0000,0000,0000,,First"},
      // Fewer fields than the format: what there is.
      {&standard, "Dialogue: 0,0:00:01.00,0:00:02.00,Default", 5, "5,0,Default"},
      {&standard, "Dialogue: 0,0:00:01.00,0:00:02.00", 6, "6,0"},
      {&standard, "Dialogue: ", 7, "7,"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(blockPayload(row.line, *row.format, row.readOrder), row.block) << row.line;
}

TEST(SubtitleBlocks, KindAndScriptType) {
  EXPECT_EQ(eventKind("Dialogue: 0,0:00:01.00"), "Dialogue");
  EXPECT_EQ(eventKind("Comment: x"), "Comment");
  EXPECT_EQ(eventKind("no colon"), "");

  struct Row {
    const char* header;
    bool advanced;
  };
  const std::vector<Row> rows = {
      {kAssHeader, true},
      {"[Script Info]\nScriptType: V4.00+\n", true},
      {"[Script Info]\nTitle: x\n\n[V4+ Styles]\nFormat: Name\n", true},
      {"[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name\n", false},
      {"[Script Info]\nTitle: none\n", false},
      {"[Script Info]\nTitle: ScriptType: v4.00+\n", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(isAdvancedScript(row.header), row.advanced) << row.header;
}

}  // namespace
}  // namespace QuarnGst
