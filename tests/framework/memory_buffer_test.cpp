// The owning byte block used for whole-file reads.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/MemoryBuffer.h"

namespace kvtl {
namespace {

bool allZero(const MemoryBuffer<char>& b) {
  return std::all_of(b.data(), b.data() + b.size(), [](char c) { return c == 0; });
}

TEST(MemoryBuffer, ResizeRules) {
  MemoryBuffer<char> b;
  EXPECT_EQ(b.data(), nullptr);
  EXPECT_EQ(b.size(), 0);

  b.resize(16, true);
  ASSERT_NE(b.data(), nullptr);
  EXPECT_EQ(b.size(), 16);
  EXPECT_TRUE(allZero(b));

  // Same size without zero fill: block and contents stay.
  char* block = b.data();
  std::fill(block, block + 16, 'x');
  b.resize(16, false);
  EXPECT_EQ(b.data(), block);
  EXPECT_EQ(b.data()[15], 'x');

  // Same size with zero fill clears in place.
  b.resize(16, true);
  EXPECT_EQ(b.data(), block);
  EXPECT_TRUE(allZero(b));

  b.resize(4, true);
  EXPECT_EQ(b.size(), 4);
  EXPECT_TRUE(allZero(b));

  b.resize(0, true);
  EXPECT_EQ(b.data(), nullptr);
  EXPECT_EQ(b.size(), 0);

  b.resize(-5, false);  // nothing to allocate
  EXPECT_EQ(b.data(), nullptr);
  EXPECT_EQ(b.size(), 0);
}

}  // namespace
}  // namespace kvtl
