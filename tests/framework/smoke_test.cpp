#include <gtest/gtest.h>
#include "framework/String.h"
TEST(Smoke, Builds) {
  EXPECT_TRUE(Quarn::String<char>("").equals(nullptr));
}
