// Opening scripts from files through the container face, and identifying
// sources by name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/MediaTypeTable.h"
#include "plugin/SSAContainer.h"
#include "subtitle/OverlayStream.h"
#include "support/FakeHost.h"

namespace Quarn::Testing {
namespace {

using Stream = SubtitleParserTemplate<SSAContainer>::OverlayStream;

const std::string kScript =
    "[Script Info]\r\nTitle: test\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\n"
    "Style: Default,Arial\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
    "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second\r\n"
    "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world\r\n";

class OpenTest : public ::testing::Test {
 protected:
  OpenTest() {
    char pattern[] = "/tmp/quarn-open-XXXXXX";
    dir_ = mkdtemp(pattern);
    container.setHost(&host, 3);
  }
  ~OpenTest() override {
    container.closeStreams(false);
    host.destroyRemovedStreams();
    for (const std::string& f : files_)
      std::remove(f.c_str());
    rmdir(dir_.c_str());
  }

  /// Writes `bytes` to `name` in the test folder; returns its file URL.
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    files_.push_back(path);
    return "file://" + path;
  }

  Result open(const std::string& location) {
    const String<unsigned char> text(location.c_str());
    SourceDescriptor source;
    source.location = &text;
    return container.open(&source);
  }

  Stream* onlyStream() {
    EXPECT_EQ(container.streams().size(), 1u);
    return container.streams().empty() ? nullptr : container.streams().begin()->second.get();
  }

  /// Every entry's text, in stream order.
  std::vector<std::string> readAll(Stream* stream) {
    FakeConsumer consumer(INT32_MAX);
    stream->setConsumer(&consumer);
    std::vector<std::string> texts;
    MediaChunk* chunk = nullptr;
    while (stream->readStream(&chunk) == ResultOk && chunk != nullptr) {
      texts.emplace_back(reinterpret_cast<const char*>(chunk->data()), chunk->length() - 1);
      chunk->release();
    }
    return texts;
  }

  std::string dir_;
  std::vector<std::string> files_;
  FakePluginHost pluginHost;
  FakeContainerHost host;
  SSAContainer container{&pluginHost};
};

TEST_F(OpenTest, OpensAScriptEndToEnd) {
  const std::string url = write("film.ass", kScript);
  ASSERT_EQ(open(url), ResultOk);
  EXPECT_TRUE(container.getSourcePath().equals((dir_ + "/film.ass").c_str()));
  std::uint64_t size = 0;
  EXPECT_EQ(container.getSourceSize(&size), ResultOk);
  EXPECT_EQ(size, kScript.size());

  Stream* stream = onlyStream();
  ASSERT_NE(stream, nullptr);
  String<unsigned char> name;
  EXPECT_TRUE(stream->getDescription(&name, nullptr, nullptr, 0));
  EXPECT_TRUE(name.equals("film.ass"));
  EXPECT_EQ(readAll(stream), (std::vector<std::string>{
                                 "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
                                 "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second"}))
      << "sorted by start time";

  // The header goes to the first taker, once.
  List<MediaBuffer*> headers;
  ASSERT_TRUE(stream->takeHeader(headers));
  EXPECT_FALSE(container.takeHeader(headers));
  ASSERT_EQ(headers.count(), 1);
  auto* header = static_cast<TypedMediaBuffer*>(headers.head()->value);
  const std::string expected = kScript.substr(0, kScript.find("Text") + 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header->data())), expected);
  EXPECT_EQ(header->length(), expected.size() + 1);
  EXPECT_EQ(container.discardHeader(), ResultOk);
  container.bufferAllocator()->releaseBuffer(header);

  // The settings were asked for, under domain 4 and section CodePage.
  EXPECT_EQ(host.log.count("getSetting"), 2u);
}

// The stream keeps a copy of the script, never a mapping of the file: a file
// cut short or rewritten under an open stream changes nothing it serves (a
// mapping would fault on the next read).
TEST_F(OpenTest, AFileChangedUnderAnOpenStreamChangesNothingServed) {
  const std::string url = write("changed.ass", kScript);
  ASSERT_EQ(open(url), ResultOk);
  Stream* stream = onlyStream();
  ASSERT_NE(stream, nullptr);
  const std::string path = url.substr(std::string("file://").size());
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  EXPECT_EQ(readAll(stream), (std::vector<std::string>{
                                 "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
                                 "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second"}));
  std::ofstream(path, std::ios::binary) << std::string(kScript.size() * 2, 'x');
  stream->rewind();
  EXPECT_EQ(readAll(stream).size(), 2u);
}

TEST_F(OpenTest, Failures) {
  SourceDescriptor empty;
  EXPECT_EQ(container.open(nullptr), ResultBadLocation);
  EXPECT_EQ(container.open(&empty), ResultBadLocation);
  EXPECT_EQ(open("http://example.org/film.ass"), ResultBadLocation);
  EXPECT_TRUE(container.getSourcePath().isEmpty()) << "a refused location changes nothing";

  EXPECT_EQ(open(write("film.ASS", kScript)), ResultFailed) << "extensions are case-sensitive";
  EXPECT_TRUE(container.getSourcePath().equals((dir_ + "/film.ASS").c_str()));
  EXPECT_EQ(open(write("film.txt", kScript)), ResultFailed);
  EXPECT_EQ(open(write("film", kScript)), ResultFailed);
  EXPECT_EQ(open("file://" + dir_ + "/missing.ass"), ResultFailed);
  EXPECT_EQ(open(write("empty.ssa", "")), ResultFailed);
  EXPECT_EQ(open(write("noevents.ass", "[Script Info]\r\nTitle: x\r\n")), ResultFailed);
  EXPECT_EQ(container.formatHeader(), nullptr);
  EXPECT_TRUE(container.streams().empty());
  EXPECT_EQ(host.log.count("newId"), 0u) << "no stream was made";
}

TEST_F(OpenTest, NoEntriesLeavesTheHeaderInstalled) {
  EXPECT_EQ(open(write("lower.ass",
                       "[Events]\nFormat: Layer, start, End, Text\n"
                       "Dialogue: 0,0:00:01.00,0:00:02.00,hello there\n")),
            ResultFailed);
  ASSERT_NE(container.formatHeader(), nullptr);
  EXPECT_TRUE(container.streams().empty());
  // A header still held makes the next open fail: its columns stay unknown.
  const std::string url = write("good.ass", kScript);
  EXPECT_EQ(open(url), ResultFailed);
  EXPECT_EQ(container.discardHeader(), ResultOk);
  EXPECT_EQ(open(url), ResultOk);
  EXPECT_EQ(container.streams().size(), 1u);
}

// A second open adds a stream beside the first, which goes on serving the
// first script from where it was. The next selection offers both, the first
// again, and selects the first: neither has a language to prefer.
TEST_F(OpenTest, ASecondOpenAddsAStreamBesideTheFirst) {
  ASSERT_EQ(open(write("one.ass", kScript)), ResultOk);
  Stream* first = onlyStream();
  ASSERT_NE(first, nullptr);
  const std::uint64_t programId = container.getProgramIds().head()->value;
  ASSERT_EQ(container.selectProgram(programId), ResultOk);
  FakeConsumer consumer(INT32_MAX);
  first->setConsumer(&consumer);
  MediaChunk* chunk = nullptr;
  ASSERT_EQ(first->readStream(&chunk), ResultOk);
  ASSERT_NE(chunk, nullptr);
  chunk->release();

  ASSERT_EQ(container.discardHeader(), ResultOk) << "a held header refuses the second open";
  const std::string line = "Dialogue: 0,0:00:02.00,0:00:03.00,other";
  ASSERT_EQ(open(write("two.ass", "[Events]\r\nFormat: Layer, Start, End, Text\r\n" + line)),
            ResultOk);
  ASSERT_EQ(container.streams().size(), 2u);
  EXPECT_TRUE(container.getSourcePath().equals((dir_ + "/two.ass").c_str()));
  Stream* second = container.streams().rbegin()->second.get();
  EXPECT_EQ(readAll(first),
            (std::vector<std::string>{"Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second"}));
  EXPECT_EQ(readAll(second), (std::vector<std::string>{line}));
  List<MediaBuffer*> headers;
  ASSERT_TRUE(first->takeHeader(headers)) << "any stream hands over the container's header";
  auto* header = static_cast<TypedMediaBuffer*>(headers.head()->value);
  EXPECT_STREQ(reinterpret_cast<const char*>(header->data()),
               "[Events]\r\nFormat: Layer, Start, End, Text")
      << "the second script's";
  container.bufferAllocator()->releaseBuffer(header);

  host.log.clear();
  ASSERT_EQ(container.selectProgram(programId), ResultOk);
  const std::string firstId = std::to_string(first->streamId());
  EXPECT_EQ(host.log.calls(),
            (std::vector<HostCall>{{"getPreferredLanguage", ""},
                                   {"streamAdded", firstId},
                                   {"streamAdded", std::to_string(second->streamId())},
                                   {"selectStream", firstId + ",1"}}));
}

// open records the path while a host thread may be asking for it; the
// thread-sanitizer run sees a race if either side skips the lock.
TEST_F(OpenTest, SourcePathIsReadWhileAnotherThreadOpens) {
  const std::string a = write("a.ass", kScript);
  const std::string b = write("bb.ass", kScript);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    std::uint64_t size = 0;
    while (!done) {
      const std::string path = container.getSourcePath().toStdString();
      if (!path.empty() && path != dir_ + "/a.ass" && path != dir_ + "/bb.ass")
        ++torn;
      container.getSourceSize(&size);
    }
  });
  for (int i = 0; i < 200; ++i) {
    open(i % 2 == 0 ? a : b);
    container.closeStreams(false);
    container.discardHeader();
    host.destroyRemovedStreams();
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
}

TEST(OpenWithoutHost, RefusesAndRecordsOnlyThePath) {
  FakePluginHost pluginHost;
  SSAContainer container(&pluginHost);
  const String<unsigned char> location("file:///nowhere/film.ass");
  SourceDescriptor source;
  source.location = &location;
  EXPECT_EQ(container.open(&source), ResultFailed);
  EXPECT_TRUE(container.getSourcePath().equals("/nowhere/film.ass"));
  EXPECT_EQ(container.formatHeader(), nullptr);
}

TEST_F(OpenTest, EncodingsReachTheEntriesAsUtf8) {
  // UTF-16 LE with a byte-order mark, honoured when the host does not
  // override embedded marks.
  const std::string line = "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Caf\xC3\xA9";
  const std::string utf8 =
      "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
      "MarginV, Effect, Text\r\n" +
      line + "\r\n";
  std::string utf16 = "\xFF\xFE";
  for (unsigned char c : utf8) {
    if (c == 0xC3)
      continue;
    utf16 += static_cast<char>(c == 0xA9 ? 0xE9 : c);
    utf16 += '\0';
  }
  host.setBoolean("OverrideEmbedded", false);
  ASSERT_EQ(open(write("wide.ass", utf16)), ResultOk);
  EXPECT_EQ(readAll(onlyStream()), (std::vector<std::string>{line}));
  container.closeStreams(false);
  container.discardHeader();

  // A legacy code page named by the host.
  host.setText("Name", "windows-1252");
  std::string legacy = utf8;
  legacy.replace(legacy.find("\xC3\xA9"), 2, "\xE9");
  ASSERT_EQ(open(write("legacy.ass", legacy)), ResultOk);
  EXPECT_EQ(readAll(onlyStream()), (std::vector<std::string>{line}));
}

TEST(Probe, JudgesByExtensionThenAsksTheHost) {
  FakePluginHost pluginHost;
  SSAContainer container(&pluginHost);
  auto probe = [&](const char* location, std::vector<FormatDescriptor>* formats) {
    const String<unsigned char> text(location);
    SourceDescriptor source;
    source.location = &text;
    return container.probe(&source, 0, 0, formats);
  };
  for (const char* refused : {"file:///film.ASS", "film.txt", "film", "film.ass.bak",
                              "C:/subs.old/film", "film.ass?x=1", "film.", ""}) {
    std::vector<FormatDescriptor> formats;
    EXPECT_FALSE(probe(refused, &formats)) << refused;
    EXPECT_TRUE(formats.empty());
  }
  EXPECT_TRUE(pluginHost.log.calls().empty()) << "the host is asked only for .ssa and .ass";

  std::vector<FormatDescriptor> formats(1);
  EXPECT_TRUE(probe("file:///x/film.ass", &formats));
  EXPECT_TRUE(probe("film.ssa", nullptr));
  EXPECT_EQ(formats.size(), 1u) << "a yes leaves the list alone";
  EXPECT_EQ(pluginHost.log.calls(),
            (std::vector<HostCall>{{"isFormatSupported", "SSA"}, {"isFormatSupported", "SSA"}}));

  pluginHost.formatSupported = false;
  EXPECT_FALSE(probe("film.ass", &formats));
  ASSERT_EQ(formats.size(), 2u) << "one record appended after what the list held";
  EXPECT_EQ(std::memcmp(formats[1].tag, "SSA\0\0", 5), 0);
  EXPECT_EQ(formats[1].formatCode, 20);
  EXPECT_EQ(formats[1].kind, 4);
  EXPECT_EQ(formats[1].variant, 0);
  EXPECT_FALSE(probe("film.ass", nullptr));

  SourceDescriptor noLocation;
  EXPECT_FALSE(container.probe(nullptr, 0, 0, &formats));
  EXPECT_FALSE(container.probe(&noLocation, 0, 0, &formats));
  SSAContainer hostless(nullptr);
  const String<unsigned char> text("film.ass");
  SourceDescriptor source;
  source.location = &text;
  EXPECT_FALSE(hostless.probe(&source, 0, 0, nullptr)) << "nobody to consent";
}

TEST(ExtensionTable, FortyOneKnownExtensions) {
  const ExtensionTable& table = extensionMediaTypes();
  ASSERT_EQ(table.size(), 41u) << "no pair replaced another";
  EXPECT_TRUE(table.at(String<unsigned char>(".kavro")).equals("video/kavro"));
  EXPECT_TRUE(table.at(String<unsigned char>(".kav")).equals("video/kavro"));
  EXPECT_TRUE(table.at(String<unsigned char>(".dat")).equals("video/x-mpeg"));
  EXPECT_TRUE(table.at(String<unsigned char>(".mpg")).equals("video/mpeg"));
  EXPECT_TRUE(table.at(String<unsigned char>(".ts")).equals("video/MP2T"));
  EXPECT_TRUE(table.at(String<unsigned char>(".ass")).equals("text/x-ass"));
  EXPECT_EQ(table.count(String<unsigned char>(".MKV")), 0u);
  EXPECT_EQ(table.begin()->first.toStdString(), ".xvid") << "greatest key first";
  EXPECT_EQ(table.rbegin()->first.toStdString(), ".asf");
}

}  // namespace
}  // namespace Quarn::Testing
