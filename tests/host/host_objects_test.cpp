// The host objects: the settings they answer, the ids they hand out,
// and the streams they take over.
#include <gtest/gtest.h>

#include <cstring>

#include "HostObjects.h"

namespace QuarnHost {
namespace {

using Quarn::SettingValue;

SettingValue ask(EngineContainerHost& host, const char* section, const char* name) {
  SettingValue value;
  std::memset(&value, 0xA5, sizeof value);  // the caller never initialises it
  host.getSetting(Quarn::Setting(4, section, name), &value);
  return value;
}

TEST(EngineContainerHost, SettingsWithoutOptionsAnswerNoValue) {
  EngineContainerHost host("", CodePageSettings{});
  EXPECT_EQ(ask(host, "CodePage", "OverrideEmbedded").tag, Quarn::SettingTagNone);
  EXPECT_EQ(ask(host, "CodePage", "Name").tag, Quarn::SettingTagNone);
}

TEST(EngineContainerHost, SettingsFromTheOptions) {
  EngineContainerHost off("", CodePageSettings{false, std::string("windows-1252")});
  const SettingValue flag = ask(off, "CodePage", "OverrideEmbedded");
  EXPECT_EQ(flag.tag, Quarn::SettingTagBoolean);
  EXPECT_EQ(flag.value.boolean, 0);
  const SettingValue name = ask(off, "CodePage", "Name");
  ASSERT_EQ(name.tag, Quarn::SettingTagText);
  ASSERT_NE(name.value.text, nullptr);
  EXPECT_STREQ(name.value.text->cText(), "windows-1252");
  // The text lives with the host: a second query points at the same string.
  EXPECT_EQ(ask(off, "CodePage", "Name").value.text, name.value.text);

  EngineContainerHost on("", CodePageSettings{true, std::nullopt});
  EXPECT_EQ(ask(on, "CodePage", "OverrideEmbedded").value.boolean, 1);
  EXPECT_EQ(ask(on, "CodePage", "Name").tag, Quarn::SettingTagNone);
}

TEST(EngineContainerHost, OtherSettingsAnswerNoValue) {
  EngineContainerHost host("", CodePageSettings{true, std::string("UTF-8")});
  EXPECT_EQ(ask(host, "Codepage", "Name").tag, Quarn::SettingTagNone);  // case counts
  EXPECT_EQ(ask(host, "Display", "OverrideEmbedded").tag, Quarn::SettingTagNone);
  EXPECT_EQ(ask(host, "CodePage", "Fallback").tag, Quarn::SettingTagNone);
  host.getSetting(Quarn::Setting(4, "CodePage", "Name"), nullptr);  // no crash
}

TEST(EngineContainerHost, LanguageAndFreshIds) {
  EngineContainerHost host("pt-BR", CodePageSettings{});
  EXPECT_STREQ(host.getPreferredLanguage().cText(), "pt-BR");
  const std::uint64_t first = host.newId();
  const std::uint64_t second = host.newId();
  EXPECT_NE(first, second);
  EXPECT_NE(host.newId(), second);
}

TEST(EnginePluginHost, SupportsOnlySsaAndSeesTheDestruction) {
  EnginePluginHost host;
  EXPECT_TRUE(host.isFormatSupported(Quarn::String<char>("SSA")));
  EXPECT_FALSE(host.isFormatSupported(Quarn::String<char>("ssa")));
  EXPECT_FALSE(host.isFormatSupported(Quarn::String<char>("SUB ")));
  // Destroyed only after both notifications, in their order.
  host.pluginDestroyed(nullptr);
  EXPECT_FALSE(host.destroyed());
  host.pluginDestroying(nullptr);
  host.pluginDestroyed(nullptr);
  EXPECT_TRUE(host.destroyed());
}

/// A stream that counts its destruction.
class CountedStream : public Quarn::StreamInterface {
 public:
  CountedStream(std::uint64_t id, int& destroyed)
      : StreamInterface(1, id, 0), destroyed_(destroyed) {}
  ~CountedStream() override { ++destroyed_; }
  Quarn::Result reservedA() override { return Quarn::ResultOk; }
  bool getDescription(Quarn::String<unsigned char>*, Quarn::String<char>*, Quarn::String<char>*,
                      std::int32_t) override {
    return false;
  }
  const Quarn::FormatDescriptor& getFormat() override { return format_; }
  const Quarn::ImageProperties& getProperties() override { return properties_; }
  std::uint32_t getStreamType() override { return 320; }
  Quarn::Result setConsumer(Quarn::StreamConsumer*) override { return Quarn::ResultOk; }
  Quarn::Result rewind() override { return Quarn::ResultOk; }
  Quarn::Result findSyncPoint(std::int32_t, std::uint32_t, std::uint32_t*) override {
    return Quarn::ResultOk;
  }
  Quarn::Result seekStream(std::uint32_t, std::uint32_t*, std::int32_t) override {
    return Quarn::ResultOk;
  }
  Quarn::Result reservedB() override { return Quarn::ResultOk; }
  Quarn::Result readStream(Quarn::MediaChunk** chunk) override {
    *chunk = nullptr;
    return Quarn::ResultOk;
  }

 private:
  int& destroyed_;
  Quarn::FormatDescriptor format_;
  Quarn::ImageProperties properties_;
};

TEST(EngineContainerHost, PlaysTheSelectedStreamElseTheFirst) {
  int destroyed = 0;
  EngineContainerHost host("", CodePageSettings{});
  EXPECT_EQ(host.streamToPlay(), nullptr);
  auto* a = new CountedStream(10, destroyed);
  auto* b = new CountedStream(11, destroyed);
  host.streamAdded(*a);
  host.streamAdded(*b);
  host.streamAdded(*a);  // offered again: still one stream
  EXPECT_EQ(host.streams().size(), 2u);
  EXPECT_EQ(host.streamToPlay(), a);
  host.selectStream(11, 1);
  EXPECT_EQ(host.streamToPlay(), b);
  host.selectStream(99, 1);  // not a stream of ours
  EXPECT_EQ(host.streamToPlay(), a);
  host.destroyAllStreams();
  EXPECT_EQ(destroyed, 2);
}

TEST(EngineContainerHost, DestroysWithdrawnStreamsOnlyWhenAsked) {
  int destroyed = 0;
  EngineContainerHost host("", CodePageSettings{});
  auto* a = new CountedStream(1, destroyed);
  auto* b = new CountedStream(2, destroyed);
  host.streamAdded(*a);
  host.streamAdded(*b);
  host.selectStream(1, 1);
  host.streamRemoved(1);
  host.streamRemoved(77);  // never offered: ignored
  EXPECT_EQ(destroyed, 0);
  // A withdrawn stream is no longer played.
  EXPECT_EQ(host.streamToPlay(), b);
  host.destroyWithdrawnStreams();
  EXPECT_EQ(destroyed, 1);
  host.destroyWithdrawnStreams();
  EXPECT_EQ(destroyed, 1);
  host.destroyAllStreams();
  EXPECT_EQ(destroyed, 2);
  EXPECT_TRUE(host.streams().empty());
}

}  // namespace
}  // namespace QuarnHost
