// The container face before any script is opened: the base operations, the
// media type table and the header hand-over.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plugin/FormatHeader.h"
#include "plugin/SSAContainer.h"
#include "support/CountingAllocator.h"
#include "support/FakeHost.h"

namespace Quarn {
namespace {

using Testing::FakeContainerHost;
using Testing::FakePluginHost;

// Gives tests the seam open uses to install a format header.
class TestContainer : public SSAContainer {
 public:
  using SSAContainer::installFormatHeader;
  using SSAContainer::SSAContainer;
};

class ContainerTest : public ::testing::Test {
 protected:
  FakePluginHost pluginHost;
  FakeContainerHost host;
  SSAContainer container{&pluginHost};
  ContainerInterface& face = container;
};

TEST_F(ContainerTest, BaseOperations) {
  EXPECT_EQ(face.host(), nullptr);
  EXPECT_EQ(face.getContainerId(), 0u);
  face.setHost(&host, 0xFEDCBA9876543210ull);
  EXPECT_EQ(face.host(), &host);
  EXPECT_EQ(face.getContainerId(), 0xFEDCBA9876543210ull);

  std::uint32_t a = 7, b = 9;
  EXPECT_EQ(face.getCounters(a, b), ResultOk);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 0u);

  EXPECT_TRUE(face.getSourcePath().isEmpty());
  EXPECT_TRUE(face.getProgramName(0).isEmpty());
  EXPECT_TRUE(face.getProgramName(~0ull).isEmpty());
  EXPECT_NE(container.bufferAllocator(), nullptr);
  EXPECT_EQ(container.bufferAllocator()->parameter(), 8);
  EXPECT_TRUE(host.log.calls().empty());
}

TEST_F(ContainerTest, ProgrammeIdIsDrawnOnceFromTheHost) {
  {
    const List<unsigned long long> ids = face.getProgramIds();
    ASSERT_EQ(ids.count(), 1);
    EXPECT_EQ(ids.head()->value, 0xFFFFFFFFFFFFFFFFull) << "no host: unassigned";
  }
  host.nextId = 41;
  face.setHost(&host, 1);
  for (int i = 0; i < 3; ++i) {
    const List<unsigned long long> ids = face.getProgramIds();
    ASSERT_EQ(ids.count(), 1);
    EXPECT_EQ(ids.head()->value, 41u);
  }
  EXPECT_EQ(host.log.count("newId"), 1u);
}

TEST_F(ContainerTest, MediaTypeTableInDescendingOrder) {
  EXPECT_EQ(face.getMediaTypeCount(), 2u);
  EXPECT_TRUE(face.getMediaTypeName(0).equals("text/x-ssa"));
  EXPECT_TRUE(face.getMediaTypeName(1).equals("text/x-ass"));
  EXPECT_TRUE(face.getMediaTypeName(2).isEmpty());
  EXPECT_TRUE(face.getMediaTypeName(0xFFFFFFFFu).isEmpty());
  EXPECT_EQ(face.getMediaTypeValue(0), 1);
  EXPECT_EQ(face.getMediaTypeValue(1), 1);
  EXPECT_EQ(face.getMediaTypeValue(2), 0);

  EXPECT_EQ(face.findMediaType(String<unsigned char>("text/x-ssa")), 1);
  EXPECT_EQ(face.findMediaType(String<unsigned char>("text/x-ass")), 1);
  EXPECT_EQ(face.findMediaType(String<unsigned char>("TEXT/X-SSA")), -1);
  EXPECT_EQ(face.findMediaType(String<unsigned char>("text/x-ssa; charset=utf-8")), -1);
  EXPECT_EQ(face.findMediaType(String<unsigned char>()), -1);

  const FormatTag tag = container.getFormatTag();
  EXPECT_EQ(std::memcmp(tag.bytes, "SSA\0\0", 5), 0);
  face.reservedA(123);
  EXPECT_EQ(face.reservedB(0), ResultFailed);
}

TEST_F(ContainerTest, HeaderHandOverWithoutAHeader) {
  List<MediaBuffer*> headers;
  headers.pushBack(nullptr);
  EXPECT_FALSE(container.takeHeader(headers));
  EXPECT_EQ(headers.count(), 1) << "the caller's list is left unchanged";
  EXPECT_EQ(face.discardHeader(), ResultOk);
}

TEST(ContainerHeader, MadeWithOrWithoutText) {
  const FormatHeaderPtr text = makeFormatHeader("[Events]");
  ASSERT_EQ(text->capacity(), 9u) << "the text and its zero byte";
  EXPECT_EQ(text->length(), 9u);
  EXPECT_STREQ(reinterpret_cast<const char*>(text->data()), "[Events]");
  EXPECT_EQ(std::memcmp(text->tag, "SUB \0", 5), 0);
  EXPECT_EQ(text->kind, 4);
  EXPECT_EQ(text->formatCode, 0);
  EXPECT_EQ(text->variant, 0);

  const FormatHeaderPtr empty = makeFormatHeader(std::string_view());
  EXPECT_EQ(empty->capacity(), 1u) << "an empty text is still a block of one zero byte";
  EXPECT_EQ(empty->data()[0], 0);

  // Without a text: no block and a descriptor left as constructed.
  const FormatHeaderPtr bare = makeFormatHeader(std::nullopt);
  EXPECT_EQ(bare->capacity(), 0u);
  EXPECT_EQ(bare->data(), nullptr);
  EXPECT_EQ(std::memcmp(bare->tag, "\0\0\0\0\0", 5), 0);
  EXPECT_EQ(bare->kind, 0);
}

TEST(ContainerHeader, TakeHandsTheHeaderOverOnce) {
  TestContainer container(nullptr);
  FormatHeaderPtr made = makeFormatHeader("[Script Info]");
  TypedMediaBuffer* header = made.get();
  container.installFormatHeader(std::move(made));
  EXPECT_EQ(container.formatHeader(), header);

  Testing::CountingAllocator<Node<MediaBuffer*>> nodes;
  List<MediaBuffer*> headers(nodes);
  headers.pushBack(nullptr);
  EXPECT_TRUE(container.takeHeader(headers));
  ASSERT_EQ(headers.count(), 2);
  EXPECT_EQ(headers.tail()->value, header) << "appended after what the list held";
  EXPECT_TRUE(nodes.owns(headers.tail())) << "the node comes from the list's own allocator";
  EXPECT_EQ(container.formatHeader(), nullptr);
  EXPECT_FALSE(container.takeHeader(headers));
  EXPECT_EQ(container.discardHeader(), ResultOk);
  FormatHeaderPtr taken(header);  // now the caller's
}

TEST(ContainerHeader, DiscardAndDestructionFreeAHeldHeader) {
  // Header object and data block both go; the sanitizer run proves no leak.
  TestContainer container(nullptr);
  container.installFormatHeader(makeFormatHeader("one"));
  EXPECT_EQ(container.discardHeader(), ResultOk);
  EXPECT_EQ(container.formatHeader(), nullptr);
  EXPECT_EQ(container.discardHeader(), ResultOk);

  // Installing over a held header frees the old one.
  container.installFormatHeader(makeFormatHeader("two"));
  container.installFormatHeader(makeFormatHeader("three"));
  EXPECT_EQ(container.formatHeader()->data()[0], 't');
  EXPECT_EQ(container.formatHeader()->length(), 6u);

  // A header still held when the plug-in dies is freed with it.
  FakePluginHost pluginHost;
  auto* plugin = new TestContainer(&pluginHost);
  plugin->installFormatHeader(makeFormatHeader("held"));
  EXPECT_EQ(static_cast<Plugin*>(plugin)->release(), 0);
}

}  // namespace
}  // namespace Quarn
