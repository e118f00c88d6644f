// The stream base: field defaults and the plain accessors every stream inherits.
#include <gtest/gtest.h>

#include "framework/StreamInterface.h"

namespace Quarn {
namespace {

// The smallest concrete stream: the base under test plus inert overrides.
class BareStream : public StreamInterface {
 public:
  using StreamInterface::StreamInterface;
  Result reservedA() override { return ResultOk; }
  bool getDescription(String<unsigned char>*, String<char>*, String<char>*, std::int32_t) override {
    return false;
  }
  const FormatDescriptor& getFormat() override { return format_; }
  const ImageProperties& getProperties() override { return properties_; }
  std::uint32_t getStreamType() override { return 0; }
  Result setConsumer(StreamConsumer*) override { return ResultOk; }
  Result rewind() override { return ResultOk; }
  Result findSyncPoint(std::int32_t, std::uint32_t, std::uint32_t*) override { return ResultOk; }
  Result seekStream(std::uint32_t, std::uint32_t*, std::int32_t) override { return ResultOk; }
  Result reservedB() override { return ResultOk; }
  Result readStream(MediaChunk**) override { return ResultOk; }

 private:
  FormatDescriptor format_;
  ImageProperties properties_;
};

TEST(StreamBase, FreshDefaults) {
  BareStream stream(0x1122334455667788ull, 0x8877665544332211ull, 0x40);
  EXPECT_EQ(stream.containerId(), 0x1122334455667788ull);
  EXPECT_EQ(stream.streamId(), 0x8877665544332211ull);
  EXPECT_EQ(stream.getKindFlags(), 0x40u);
  EXPECT_EQ(stream.getRate(), 0);
  EXPECT_EQ(stream.getParamA(), 0);
  EXPECT_EQ(stream.getExtraValue(), 0);
  EXPECT_FALSE(stream.isFlagSet());
  std::int32_t a = 5, b = 6;
  stream.getValuePair(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  for (std::uint32_t mask : {0u, 1u, 0xFFFFFFFFu}) {
    const List<StreamInterface*> linked = stream.getLinkedStreams(mask);
    EXPECT_EQ(linked.count(), 0);
  }
  List<MediaBuffer*> headers;
  EXPECT_FALSE(stream.takeHeader(headers));
  EXPECT_EQ(headers.count(), 0);
}

TEST(StreamBase, SettersStoreWhatGettersReturn) {
  BareStream stream(1, 2, 0);
  StreamInterface& face = stream;
  EXPECT_TRUE(face.setRate(-1000));
  EXPECT_EQ(face.getRate(), -1000);
  EXPECT_TRUE(face.setParamA(-7));
  EXPECT_EQ(face.getParamA(), -7);
  face.setParamB(123456);
  EXPECT_EQ(face.getParamB(), 123456);
}

}  // namespace
}  // namespace Quarn
