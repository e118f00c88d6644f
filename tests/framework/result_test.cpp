// The result codes as hosts compile them in: their values cross the module
// boundary, so each is pinned with its name and whether isFailure holds.
#include <gtest/gtest.h>

#include <string>

#include "framework/Result.h"

namespace Quarn {
namespace {

TEST(ResultCodes, ValuesNamesAndFailureBit) {
  const struct {
    Result code;
    std::uint32_t bits;
    const char* name;
    bool failure;
  } rows[] = {
      {ResultOk, 0x00000000u, "ResultOk", false},
      {ResultNoInterface, 0x00000003u, "ResultNoInterface", false},
      {ResultFailed, 0x80100001u, "ResultFailed", true},
      {ResultBadLocation, 0x80800001u, "ResultBadLocation", true},
      // "Nothing yet": no error, though bit 31 is set, so isFailure holds.
      {ResultUnavailable, 0xFFFFFFFFu, "ResultUnavailable", true},
      {static_cast<Result>(0x80000000u), 0x80000000u, "unknown", true},
      {1, 0x00000001u, "unknown", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(static_cast<std::uint32_t>(row.code), row.bits) << row.name;
    EXPECT_EQ(std::string(resultName(row.code)), row.name);
    EXPECT_EQ(isFailure(row.code), row.failure) << row.name;
  }
}

}  // namespace
}  // namespace Quarn
