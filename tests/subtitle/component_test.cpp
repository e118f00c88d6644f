// The container component's programme, default-stream choice, stream
// closing and the language code table.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "subtitle/LanguageCodes.h"
#include "subtitle/StreamFixture.h"

namespace Quarn::Testing {
namespace {

class ComponentTest : public StreamFixture {
 protected:
  std::uint64_t programId() { return container.getProgramIds().head()->value; }

  /// Runs selectProgram and returns the one stream id selected.
  std::uint64_t selected(const std::string& preferred) {
    host.setPreferredLanguage(preferred);
    host.selectedStreams.clear();
    EXPECT_EQ(container.selectProgram(programId()), ResultOk);
    EXPECT_EQ(host.selectedStreams.size(), 1u);
    if (host.selectedStreams.empty())
      return 0;
    EXPECT_EQ(host.selectedStreams[0].second, 1);
    return host.selectedStreams[0].first;
  }
};

TEST(LanguageCodes, PairsInBothDirections) {
  EXPECT_EQ(languageTableSize(), 371u);
  EXPECT_STREQ(languagePartner("fr"), "fre");
  EXPECT_STREQ(languagePartner("fre"), "fr");
  EXPECT_STREQ(languagePartner("my"), "mya") << "the later pair wins";
  EXPECT_STREQ(languagePartner("bur"), "my");
  EXPECT_STREQ(languagePartner("mya"), "my");
  EXPECT_STREQ(languagePartner("dv"), "div");
  EXPECT_STREQ(languagePartner("div"), "dv");
  EXPECT_STREQ(languagePartner("zu"), "zul");
  EXPECT_STREQ(languagePartner("EN"), "") << "case-sensitive";
  EXPECT_STREQ(languagePartner("xx"), "");
  EXPECT_STREQ(languagePartner(""), "");
  EXPECT_STREQ(languagePartner(nullptr), "");
}

// Each test runs in a process of its own, so this is the table's first use:
// several threads race to it and must all see the finished table.
TEST(LanguageCodes, ConcurrentFirstUse) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      if (std::string(languagePartner("de")) != "ger")
        ++wrong;
      if (languageTableSize() != 371u)
        ++wrong;
    });
  }
  for (std::thread& t : threads)
    t.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(ComponentTest, WrongProgrammeIdAsksNothing) {
  const std::uint64_t id = programId();
  host.log.clear();
  EXPECT_EQ(container.selectProgram(id + 1), ResultFailed);
  EXPECT_EQ(container.selectProgram(id ^ (1ull << 63)), ResultFailed);
  EXPECT_TRUE(host.log.calls().empty());
}

TEST_F(ComponentTest, OnlyTheUnassignedIdIsAcceptedBeforeOneIsDrawn) {
  EXPECT_EQ(container.selectProgram(0), ResultFailed);
  EXPECT_EQ(container.selectProgram(~0ull), ResultOk);
  EXPECT_EQ(host.log.names(), (std::vector<std::string>{"getPreferredLanguage"}));
}

TEST_F(ComponentTest, EmptyTableOffersAndSelectsNothing) {
  host.setPreferredLanguage("en");
  const std::uint64_t id = programId();
  host.log.clear();
  EXPECT_EQ(container.selectProgram(id), ResultOk);
  EXPECT_EQ(host.log.names(), (std::vector<std::string>{"getPreferredLanguage"}));
}

TEST_F(ComponentTest, OneStreamIsSelectedWhateverTheLanguage) {
  addStream({}, "de");
  const std::uint64_t id = programId();
  host.setPreferredLanguage("ja");
  host.log.clear();
  ASSERT_EQ(container.selectProgram(id), ResultOk);
  const std::string stream = std::to_string(host.addedStreams.at(0));
  EXPECT_EQ(host.log.calls(), (std::vector<HostCall>{{"getPreferredLanguage", "ja"},
                                                     {"streamAdded", stream},
                                                     {"selectStream", stream + ",1"}}));
}

TEST_F(ComponentTest, LanguageChoice) {
  const std::uint64_t en = addStream({}, "en")->streamId();
  const std::uint64_t fr = addStream({}, "fr")->streamId();
  ASSERT_LT(en, fr);
  EXPECT_EQ(selected("fr-CA"), fr);
  EXPECT_EQ(selected("fre"), fr) << "through the code table";
  EXPECT_EQ(selected("fr"), fr);
  EXPECT_EQ(selected("de"), en) << "no match: the smallest id";
  EXPECT_EQ(selected(""), en);
  EXPECT_EQ(selected("FR"), en) << "case-sensitive";
  EXPECT_EQ(host.log.count("newId"), 3u) << "two streams and one programme id";
  EXPECT_EQ(host.addedStreams.size(), 12u) << "every call offers every stream again";
}

// A second selection offers the very objects of the first, read positions
// and all: nothing is new, and nothing may be destroyed before streamRemoved.
TEST_F(ComponentTest, EverySelectionOffersTheSameObjectsAgain) {
  Stream* a = addStream({{1, 1, "a1"}, {2, 1, "a2"}});
  Stream* b = addStream({{3, 1, "b"}});
  ASSERT_EQ(container.selectProgram(programId()), ResultOk);
  FakeConsumer consumer(INT32_MAX);
  a->setConsumer(&consumer);
  MediaChunk* chunk = nullptr;
  ASSERT_EQ(a->readStream(&chunk), ResultOk);
  chunk->release();

  ASSERT_EQ(container.selectProgram(programId()), ResultOk);
  EXPECT_EQ(host.addedObjects, (std::vector<const StreamInterface*>{a, b, a, b}));
  ASSERT_EQ(a->readStream(&chunk), ResultOk);
  ASSERT_NE(chunk, nullptr);
  EXPECT_EQ(text(chunk), "a2") << "the second selection moved no read position";
  chunk->release();

  ASSERT_EQ(container.closeStreams(false), ResultOk);
  EXPECT_EQ(host.removedStreams, (std::vector<std::uint64_t>{a->streamId(), b->streamId()}))
      << "withdrawn once each, however often offered";
}

TEST_F(ComponentTest, RegionMatchWinsOverFirstLanguageMatch) {
  const std::uint64_t pt = addStream({}, "pt", "PT")->streamId();
  const std::uint64_t br = addStream({}, "pt", "BR")->streamId();
  ASSERT_LT(pt, br);
  EXPECT_EQ(selected("pt-BR"), br);
  EXPECT_EQ(selected("pt-PT"), pt);
  EXPECT_EQ(selected("pt"), pt);
  EXPECT_EQ(selected("por-BR"), br) << "three-letter tag through the table, with region";
}

TEST_F(ComponentTest, EmptyLanguagesMatchAnUnknownPreferredLanguage) {
  const std::uint64_t first = addStream({})->streamId();
  addStream({});
  EXPECT_EQ(selected("xx"), first);
}

TEST_F(ComponentTest, RegionAfterTheFirstDash) {
  addStream({}, "zh", "Hans");
  const std::uint64_t hant = addStream({}, "zh", "Hant-TW")->streamId();
  EXPECT_EQ(selected("zh-Hant-TW"), hant);
}

TEST_F(ComponentTest, CloseStreams) {
  Stream* a = addStream({{1, 1, "a"}, {2, 2, "b"}});
  Stream* b = addStream({{3, 3, "c"}});
  const std::uint64_t idA = a->streamId();
  const std::uint64_t idB = b->streamId();
  container.selectProgram(programId());
  host.log.clear();

  EXPECT_EQ(container.closeStreams(true), ResultOk);
  EXPECT_EQ(container.streams().size(), 2u);
  EXPECT_EQ(a->entryCount(), 2u);
  EXPECT_TRUE(host.log.calls().empty());

  EXPECT_EQ(container.closeStreams(false), ResultOk);
  EXPECT_TRUE(container.streams().empty());
  EXPECT_EQ(a->entryCount(), 0u) << "entries released (the sanitizer run checks the memory)";
  EXPECT_EQ(b->entryCount(), 0u);
  EXPECT_EQ(host.log.calls(), (std::vector<HostCall>{{"streamRemoved", std::to_string(idA)},
                                                     {"streamRemoved", std::to_string(idB)}}));
  EXPECT_EQ(container.closeStreams(false), ResultOk);
  EXPECT_EQ(host.log.count("streamRemoved"), 2u) << "a second call finds nothing to do";
  EXPECT_EQ(host.destroyRemovedStreams(), 2) << "the host destroys what it was offered";

  // The component can be filled again; the programme id stays.
  const std::uint64_t id = programId();
  addStream({{4, 4, "d"}});
  EXPECT_EQ(programId(), id);
}

// Streams the host was never shown, and entries of streams the host never
// closed, are freed by the component: the sanitizer run proves no leak.
TEST_F(ComponentTest, NothingLeaksWhenTheHostForgets) {
  const std::uint64_t neverOffered = addStream({{1, 1, "never offered"}})->streamId();
  EXPECT_EQ(container.closeStreams(false), ResultOk);
  EXPECT_EQ(host.removedStreams, std::vector<std::uint64_t>{neverOffered})
      << "withdrawn all the same: the host ignores an id it was never offered";
  EXPECT_EQ(host.destroyRemovedStreams(), 0);

  auto* forgetful = new SSAContainer(&pluginHost);
  forgetful->setHost(&host, 1);
  forgetful->addOverlayStream(tableOf({{1, 1, "x"}}), String<unsigned char>("f"), String<char>(),
                              String<char>());
  static_cast<Plugin*>(forgetful)->release();

  SSAContainer hostless(nullptr);
  EXPECT_EQ(hostless.addOverlayStream(tableOf({{1, 1, "x"}}), String<unsigned char>(),
                                      String<char>(), String<char>()),
            nullptr);
  EXPECT_TRUE(hostless.streams().empty());
  EXPECT_EQ(hostless.selectProgram(~0ull), ResultFailed) << "no host to offer to";
}

// A chunk handed out is the host's, which may give it back after the
// plug-in's last release; the sanitizer run sees any use of a freed allocator.
TEST(HandedOutChunks, MayBeGivenBackAfterTheComponentIsGone) {
  FakePluginHost pluginHost;
  FakeContainerHost host;
  auto* container = new SSAContainer(&pluginHost);
  container->setHost(&host, 1);
  Stream* stream =
      container->addOverlayStream(tableOf({{0, 1, "first"}, {0, 1, "second"}}),
                                  String<unsigned char>("f"), String<char>(), String<char>());
  FakeConsumer consumer(INT32_MAX);
  stream->setConsumer(&consumer);
  MediaChunk* kept[2] = {nullptr, nullptr};
  ASSERT_EQ(stream->readStream(&kept[0]), ResultOk);
  ASSERT_EQ(stream->readStream(&kept[1]), ResultOk);
  ASSERT_NE(kept[1], nullptr);
  EXPECT_EQ(kept[0]->allocator().parameter(), 8);

  EXPECT_EQ(static_cast<Plugin*>(container)->release(), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(kept[1]->data()), "second");
  kept[1]->release();
  kept[0]->release();  // the last one takes the allocator with it
}

TEST_F(ComponentTest, OverlappingEntriesStayWhole) {
  Stream* s = addStream({{1000, 5000, "a"}, {2000, 1000, "b"}});
  FakeConsumer consumer(INT32_MAX);
  s->setConsumer(&consumer);
  MediaChunk* chunk = nullptr;
  ASSERT_EQ(s->readStream(&chunk), ResultOk);
  EXPECT_EQ(chunk->duration, 5000u);
  chunk->release();
  ASSERT_EQ(s->readStream(&chunk), ResultOk);
  EXPECT_EQ(chunk->timestamp, 2000u);
  EXPECT_EQ(chunk->duration, 1000u);
  chunk->release();
}

}  // namespace
}  // namespace Quarn::Testing
