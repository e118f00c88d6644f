// The eight open modes on an existing and a missing file. (Files that are not
// regular are refused; the reader's and File's suites show it.)
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/NativeFile.h"
#include "text/TempFolder.h"

namespace {

using Quarn::Platform::NativeFile;
using Quarn::Platform::SeekFrom;

TEST(NativeFile, EachModeOpensCreatesTruncatesAndPositionsAsDocumented) {
  struct {
    int mode;
    const char* onExisting;  // "refused", or what reading at the start position gives
    bool truncates;
    bool atEnd;
  } rows[] = {
      {0, "hello", false, false},     {1, "unreadable", true, false}, {2, "refused", false, false},
      {3, "", true, false},           {4, "hello", false, false},     {5, "refused", false, false},
      {6, "unreadable", false, true}, {7, "", false, true},
  };
  Quarn::Testing::TempFolder folder;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    const std::string existing = folder.write("existing", "hello");
    NativeFile file;
    const bool refused = std::string(row.onExisting) == "refused";
    ASSERT_EQ(file.open(existing.c_str(), row.mode), !refused);
    if (!refused) {
      EXPECT_EQ(file.seek(0, SeekFrom::Current), row.atEnd ? 5 : 0);
      char buffer[8] = {};
      const std::int64_t got = file.read(buffer, sizeof buffer);
      EXPECT_EQ(got < 0 ? std::string("unreadable") : std::string(buffer, got), row.onExisting);
    }
    file.close();
    EXPECT_EQ(std::filesystem::file_size(existing), row.truncates ? 0u : 5u);

    const std::string missing = (folder.path() / ("new" + std::to_string(row.mode))).string();
    EXPECT_EQ(file.open(missing.c_str(), row.mode), row.mode != 0);
    struct stat info;
    if (row.mode != 0 && ::stat(missing.c_str(), &info) == 0) {
      EXPECT_EQ(info.st_mode & 0711, 0600u) << "created readable and writable, not executable";
    }
  }
}

}  // namespace
