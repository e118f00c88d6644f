// Conversion to UTF-8 through the ICU converters: the machine's ICU, no ICU
// at all, and a stand-in library that counts its converters.
#include <gtest/gtest.h>

#include <string>

#include "platform/DynamicLibrary.h"
#include "text/Encoding.h"
#include "text/FakeIcuLibrary.h"
#include "text/UCNVLibrary.h"

namespace {

using KVDSOLD::LibraryCandidate;
using KVDSOLD::UCNVLibrary;
using Candidates = std::vector<LibraryCandidate>;

std::string convert(const UCNVLibrary& converters, const char* name, const std::string& bytes) {
  const Quarn::Utf8Block block = Quarn::convertToUtf8Block(
      converters, name, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  EXPECT_EQ(block.data == nullptr, block.length == 0);
  return block.data != nullptr
             ? std::string(reinterpret_cast<const char*>(block.data.get()), block.length)
             : std::string();
}

TEST(SystemIcu, ConvertsNamedEncodingsToUtf8) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  ASSERT_TRUE(icu.isUsable()) << "the machine's ICU common library should load";
  EXPECT_EQ(&icu, &UCNVLibrary::instance());

  EXPECT_EQ(convert(icu, "UTF16-LE", std::string("A\0B\0", 4)), "AB");
  EXPECT_EQ(convert(icu, "UTF16-BE", std::string("\x00\xE9\x20\xAC", 4)), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(convert(icu, "UTF32-LE", std::string("\x00\xF6\x01\x00", 4)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(convert(icu, "windows-1252", "caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(convert(icu, "Shift_JIS", "\x82\xA0"), "\xE3\x81\x82");  // hiragana A
  EXPECT_EQ(convert(icu, "UTF8",
                    "\xEF\xBB\xBF"
                    "A"),
            "\xEF\xBB\xBF"
            "A")
      << "a mark the caller did not skip is converted like any character";
  // Embedded zero characters are kept here; the file reader cuts at them.
  EXPECT_EQ(convert(icu, "UTF16-LE", std::string("A\0\0\0B\0", 6)), std::string("A\0B", 3));

  // The public form hands the same bytes back in a framework string.
  const Quarn::String<unsigned char> text =
      Quarn::convertToUtf8("UTF16-LE", reinterpret_cast<const unsigned char*>("A\0B\0"), 4);
  EXPECT_EQ(text.length(), 2u);
  EXPECT_STREQ(text.cText(), "AB");
}

std::string utf16le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(SystemIcu, LongTextsComeOutWhole) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  // Three bytes out per byte in: the result outgrows its first estimate.
  std::string euros;
  for (int i = 0; i < 5000; ++i)
    euros += "\xE2\x82\xAC";
  EXPECT_EQ(convert(icu, "windows-1252", std::string(5000, '\x80')), euros);

  // Text is decoded in chunks of UTF-16: put a surrogate pair across every
  // plausible boundary and check that none is split or lost.
  for (std::size_t prefix : {16382u, 16383u, 16384u, 32767u}) {
    std::u16string text(prefix, u'a');
    text += u"\U0001F600z";
    const std::string expected = std::string(prefix, 'a') + "\xF0\x9F\x98\x80z";
    EXPECT_EQ(convert(icu, "UTF16-LE", utf16le(text)), expected) << prefix;
  }
}

TEST(SystemIcu, RefusesUnknownNamesAndEmptyInput) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  EXPECT_EQ(convert(icu, "no-such-encoding", "abc"), "");
  EXPECT_EQ(convert(icu, "UTF16-LE", ""), "");
  EXPECT_EQ(convert(icu, nullptr, "abc"), "");
  EXPECT_EQ(Quarn::convertToUtf8("UTF16-LE", nullptr, 4).data(), nullptr);
  // A lone trailing byte of UTF-16 yields ICU's substitute, not a failure.
  EXPECT_FALSE(convert(icu, "UTF16-LE", std::string("A\0B", 3)).empty());
}

TEST(SystemIcu, RefusesInputTooLargeForOneCallBeforeTouchingIt) {
  // The guard must act before any byte is read or any buffer sized, so a
  // single real byte with a huge claimed length is safe to pass.
  const unsigned char byte = 'A';
  const Quarn::Utf8Block block = Quarn::convertToUtf8Block(UCNVLibrary::instance(), "UTF8", &byte,
                                                           Quarn::kMaxConversionInput + 1);
  EXPECT_EQ(block.length, 0u);
  EXPECT_EQ(block.data, nullptr);
}

TEST(AbsentIcu, EveryOperationFailsLikeAnInternalError) {
  const UCNVLibrary absent(
      Candidates{{"/nonexistent/libicuuc.so.1", "_1"}, {"libquarn-no-icu.so", ""}});
  EXPECT_FALSE(absent.isUsable());
  KVDSOLD::UErrorCode error = 0;
  EXPECT_EQ(absent.open("utf8", &error), nullptr);
  EXPECT_EQ(error, KVDSOLD::kUInternalProgramError);
  error = 0;
  KVDSOLD::UChar units[4];
  KVDSOLD::UChar* target = units;
  const char* source = "ab";
  absent.toUnicode(nullptr, &target, units + 4, &source, source + 2, nullptr, 1, &error);
  EXPECT_EQ(error, KVDSOLD::kUInternalProgramError);
  EXPECT_EQ(target, units);
  absent.close(nullptr);  // does nothing
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_EQ(convert(absent, "UTF16-LE", std::string("A\0", 2)), "");
}

class FakeIcu : public ::testing::Test {
 protected:
  static FakeIcuCounters* counters(const char* path, Quarn::Platform::DynamicLibrary& keep) {
    keep = Quarn::Platform::DynamicLibrary::load(path);
    auto get = reinterpret_cast<FakeIcuCountersFunction>(keep.getSymbol("FakeIcu_counters"));
    return get != nullptr ? get() : nullptr;
  }
};

TEST_F(FakeIcu, VersionedEntriesAreFoundAndEveryConverterIsClosed) {
  Quarn::Platform::DynamicLibrary keep;
  FakeIcuCounters* counts = counters(QUARN_FAKEICU_VERSIONED, keep);
  ASSERT_NE(counts, nullptr);
  // The first candidate does not load; the second does, with suffix "_42".
  const UCNVLibrary fake(
      {{"/nonexistent/libicuuc.so.99", "_99"}, {QUARN_FAKEICU_VERSIONED, "_42"}});
  ASSERT_TRUE(fake.isUsable());

  EXPECT_EQ(convert(fake, "fake-latin1", "Hi \xE9"), "Hi ?");
  EXPECT_EQ(convert(fake, "unknown", "Hi"), "");
  EXPECT_EQ(convert(fake, "fake-failing", "Hi"), "")
      << "a converter that comes with a failure code is not used";
  EXPECT_EQ(counts->opens, 3);
  EXPECT_EQ(counts->closes, counts->opens) << "every converter opened is closed";
}

TEST_F(FakeIcu, PlainNamesAreTheFallbackAndAMissingEntryDisablesConversion) {
  Quarn::Platform::DynamicLibrary keep;
  FakeIcuCounters* counts = counters(QUARN_FAKEICU_PARTIAL, keep);
  ASSERT_NE(counts, nullptr);
  const UCNVLibrary partial(Candidates{{QUARN_FAKEICU_PARTIAL, "_42"}});
  EXPECT_FALSE(partial.isUsable()) << "ucnv_fromUnicode is missing";
  EXPECT_EQ(convert(partial, "fake-latin1", "Hi"), "");
  EXPECT_EQ(counts->opens, 0) << "nothing is called while an entry is missing";
}

}  // namespace
