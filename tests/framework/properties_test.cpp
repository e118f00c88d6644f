// Property records: defaults the host reads and the rectangle arithmetic.
#include <gtest/gtest.h>

#include <climits>

#include "framework/Properties.h"

namespace Quarn {
namespace {

TEST(Properties, Defaults) {
  const ImageProperties image;
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.height, 0);
  EXPECT_EQ(image.factor1, 1);
  EXPECT_EQ(image.factor2, 1);
  EXPECT_EQ(image.factor3, 1);
  EXPECT_EQ(image.floatRegion.left, 0.0);
  EXPECT_EQ(image.floatRegion.bottom, 0.0);
  EXPECT_EQ(image.intRegion.right, 0);
  EXPECT_EQ(image.mode, 0);
  EXPECT_FALSE(image.flag);

  const AudioProperties audio;
  EXPECT_EQ(audio.valueA, 0);
  EXPECT_EQ(audio.valueB, 0);
}

TEST(Properties, RectangleSizes) {
  // Integer edges are inclusive; floating edges measure distance.
  EXPECT_EQ(RectInt().getWidth(), 1);
  EXPECT_EQ(RectInt().getHeight(), 1);
  EXPECT_EQ(RectFloat().getWidth(), 0.0);
  EXPECT_EQ(RectFloat().getHeight(), 0.0);

  const RectInt screen(0, 0, 639, 479);
  EXPECT_EQ(screen.getWidth(), 640);
  EXPECT_EQ(screen.getHeight(), 480);
  const RectFloat area(0.0, 0.0, 640.0, 480.0);
  EXPECT_EQ(area.getWidth(), 640.0);
  EXPECT_EQ(area.getHeight(), 480.0);

  // No clamping for inverted edges.
  EXPECT_EQ(RectInt(10, 0, 5, 0).getWidth(), -4);
  EXPECT_LE(RectInt(10, 0, 9, 0).getWidth(), 0);
  // Extreme edges wrap at 32 bits instead of overflowing.
  EXPECT_EQ(RectInt(INT_MIN, 0, INT_MAX, 0).getWidth(), 0);
  // Through the base class, as the host reads them.
  const Rect<int>& base = screen;
  EXPECT_EQ(base.getWidth(), 640);
}

}  // namespace
}  // namespace Quarn
