// The field splitter and the time reader of event lines.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "rules/Fields.h"
#include "rules/TimeReader.h"

namespace Quarn {
namespace {

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string_view> fields{"stale"};
  tokenize(text, ",", fields);
  return std::vector<std::string>(fields.begin(), fields.end());
}

using Fields = std::vector<std::string>;

TEST(Tokenize, FieldsAndTheirCorners) {
  EXPECT_EQ(split(" 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world"),
            (Fields{"0", "0:00:01.00", "0:00:05.00", "Default", "0", "0", "0", "Hello", "world"}))
      << "runs of commas drop empty fields";
  EXPECT_EQ(split(",a,,b,"), (Fields{"a", "b"})) << "leading and trailing commas give nothing";
  EXPECT_EQ(split("a, ,b"), (Fields{"a", "", "b"})) << "a blanks-only field is empty, not dropped";
  EXPECT_EQ(split("  x y  ,\tz\t"), (Fields{"x y", "\tz\t"})) << "only blanks are trimmed";
  EXPECT_EQ(split(""), Fields{});
  EXPECT_EQ(split(",,,"), Fields{});
  EXPECT_EQ(split("   "), (Fields{""}));
  EXPECT_EQ(split("single"), (Fields{"single"}));

  std::vector<std::string_view> fields;
  tokenize("a;b,c", ";,", fields);
  EXPECT_EQ(fields.size(), 3u) << "any byte of the set delimits";
}

std::optional<std::uint32_t> t(const char* field) {
  return readTime(field);
}

TEST(ReadTime, Forms) {
  EXPECT_EQ(t("0:00:01.00"), 1000u);
  EXPECT_EQ(t("0:00:05.00"), 5000u);
  EXPECT_EQ(t("1:02:03.04"), 3723040u);
  // The fraction counts hundredths whatever its digit count.
  EXPECT_EQ(t("0:00:01.5"), 1050u);
  EXPECT_EQ(t("0:00:01.50"), 1500u);
  EXPECT_EQ(t("0:00:01.500"), 6000u);
  // A colon before the fraction is read by the second form.
  EXPECT_EQ(t("0:00:02:50"), 2500u);
  EXPECT_EQ(t("0:00:75.00"), 75000u) << "seconds are not limited to 59";
  EXPECT_EQ(t("0:99:00.00"), 5940000u);
  // scanf manners: blanks before numbers, signs, trailing text ignored.
  EXPECT_EQ(t(" 0: 00: 01. 00"), 1000u);
  EXPECT_EQ(t("+0:00:01.00"), 1000u);
  EXPECT_EQ(t("0:00:01.00junk"), 1000u);
  EXPECT_EQ(t("0:00:01.00.99"), 1000u);
  EXPECT_EQ(t("-0:00:01.00"), 1000u) << "minus zero";
  EXPECT_EQ(t("0:00:-1.00"), 0u - 1000u) << "a negative part wraps";
}

TEST(ReadTime, UnreadableFields) {
  for (const char* field :
       {"", "1.5", "1.50", "1.500", "75", "0:00", "0:00:01", "0:00:01.", "0:00:01.x", "a:00:01.00",
        "1a:00:01.00", "0:0a:01.00", "0:00:0a.00", "0/00:01.00", "0 :00:01.00", "0:00:01 .00",
        "- 0:00:01.00", "Default", "0:00:01,00"}) {
    EXPECT_EQ(t(field), std::nullopt) << '"' << field << '"';
  }
}

// Out-of-range numbers and the sums wrap as unsigned 32-bit values (and the
// sanitizer run proves no signed overflow is involved).
TEST(ReadTime, HugeNumbersWrap) {
  EXPECT_EQ(t("4294967296:0:0.0"), 0u);
  EXPECT_EQ(t("0:0:0.4294967295"), 4294967295u * 10u);
  EXPECT_EQ(
      t("99999999999999999999:99999999999:9999999999.9999999999"),
      std::optional<std::uint32_t>(
          (((1661992959u * 60u + 1215752191u) * 60u + 1410065407u) * 100u + 1410065407u) * 10u));
  EXPECT_EQ(t("1193:02:47.295"), ((1193u * 60u + 2u) * 60u + 47u) * 100u * 10u + 2950u);
  // The usual layout with long hours, read in one step.
  EXPECT_EQ(t("4294967296:00:00.00"), 0u);
  EXPECT_EQ(t("123:45:67.89"), ((123u * 60u + 45u) * 60u + 67u) * 1000u + 890u);
}

}  // namespace
}  // namespace Quarn
