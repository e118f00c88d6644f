// The eight open modes on an existing and a missing file, and the refusal
// of everything that is not a regular file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/NativeFile.h"
#include "text/TempFolder.h"

namespace {

using Quarn::Platform::NativeFile;
using Quarn::Platform::SeekFrom;

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ModeRow {
  int mode;
  bool opensExisting;  // false: refused because the file exists
  bool truncates;
  bool atEnd;
  bool readable;
  bool createsMissing;
};

TEST(NativeFile, EachModeOpensCreatesTruncatesAndPositionsAsDocumented) {
  const ModeRow rows[] = {
      // mode existing truncates atEnd readable createsMissing
      {0, true, false, false, true, false},  {1, true, true, false, false, true},
      {2, false, false, false, false, true}, {3, true, true, false, true, true},
      {4, true, false, false, true, true},   {5, false, false, false, true, true},
      {6, true, false, true, false, true},   {7, true, false, true, true, true},
  };
  Quarn::Testing::TempFolder folder;
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(row.mode);
    const std::string existing = folder.write("existing", "hello");
    {
      NativeFile file;
      ASSERT_EQ(file.open(existing.c_str(), row.mode), row.opensExisting);
      if (row.opensExisting) {
        EXPECT_EQ(file.seek(0, SeekFrom::Current), row.atEnd ? 5 : 0);
        char buffer[8];
        const std::int64_t got = file.read(buffer, sizeof buffer);
        if (!row.readable)
          EXPECT_EQ(got, -1);
        else
          EXPECT_EQ(got, row.truncates || row.atEnd ? 0 : 5);
      }
    }
    EXPECT_EQ(contents(existing), row.truncates ? "" : "hello");

    const std::string missing = (folder.path() / ("new" + std::to_string(row.mode))).string();
    NativeFile created;
    EXPECT_EQ(created.open(missing.c_str(), row.mode), row.createsMissing);
    EXPECT_EQ(std::filesystem::exists(missing), row.createsMissing);
    if (row.createsMissing) {
      struct stat info;
      ASSERT_EQ(::stat(missing.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0600, 0600u);
      EXPECT_EQ(info.st_mode & 0111, 0u);
    }
  }
}

TEST(NativeFile, RefusesWhatIsNotARegularFileAndBadArguments) {
  Quarn::Testing::TempFolder folder;
  const std::string fifo = (folder.path() / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (int mode : {0, 1, 4, 7}) {
    NativeFile file;
    EXPECT_FALSE(file.open(fifo.c_str(), mode)) << mode;
    EXPECT_FALSE(file.open(folder.path().c_str(), mode)) << mode;
    EXPECT_FALSE(file.open("/dev/null", mode)) << mode;
    EXPECT_FALSE(file.isOpen());
  }
  const std::string regular = folder.write("a", "abc");
  NativeFile file;
  EXPECT_FALSE(file.open(regular.c_str(), 8));
  EXPECT_FALSE(file.open(regular.c_str(), -1));
  EXPECT_FALSE(file.open("", 0));
  EXPECT_FALSE(file.open(nullptr, 0));
  EXPECT_EQ(file.seek(0, SeekFrom::End), -1) << "closed";
  char byte;
  EXPECT_EQ(file.read(&byte, 1), -1) << "closed";
  ASSERT_TRUE(file.open(regular.c_str(), 0));
  EXPECT_FALSE(file.open(regular.c_str(), 0)) << "already open";
  EXPECT_EQ(file.seek(-1, SeekFrom::Begin), -1);
  EXPECT_EQ(file.seek(0, SeekFrom::Current), 0) << "a failed seek leaves the position";
}

}  // namespace
