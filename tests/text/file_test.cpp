// File's open results and size, and the container's source size built on it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"
#include "text/File.h"
#include "text/TempFolder.h"
#include "text/Utf.h"

namespace {

using Quarn::File;
using Quarn::utf8ToWide;

TEST(File, OpenReportsEachOutcomeAndSizeNeverPassesFailureForALength) {
  Quarn::Testing::TempFolder folder;
  const std::u16string path = utf8ToWide(folder.write("t\xC3\xA9st.ass", ""));
  File file;
  EXPECT_EQ(file.size(), -1) << "closed";
  EXPECT_EQ(file.open(path, 8), File::BadMode);
  EXPECT_EQ(file.open(path, -1), File::BadMode);
  EXPECT_EQ(file.open(path + u"x", 0), File::Refused);
  EXPECT_EQ(file.open(utf8ToWide(folder.path().string()), 0), File::Refused) << "a directory";
  EXPECT_EQ(file.open(std::u16string{u'/', char16_t(0xD800)}, 4), File::Refused);
  EXPECT_EQ(file.open(path + std::u16string(1, u'\0') + u"x", 0), File::Refused);

  // Sparse, so five GiB cost no disk space; the size needs 64 bits.
  const std::int64_t fiveGiB = std::int64_t{5} << 30;
  ASSERT_EQ(::truncate(folder.write("t\xC3\xA9st.ass", "").c_str(), fiveGiB), 0);
  ASSERT_EQ(file.open(path, 0), File::Opened);
  EXPECT_EQ(file.open(path, 1), File::AlreadyOpen) << "and nothing truncated";
  EXPECT_EQ(file.open(path, 9), File::AlreadyOpen);
  EXPECT_EQ(file.size(), fiveGiB);
  EXPECT_EQ(file.size(), fiveGiB);
}

class SizedContainer : public Quarn::SSAContainer {
 public:
  using SSAContainer::SSAContainer;
  void setSourcePath(const std::string& path) {
    sourcePath_.assign(Quarn::String<unsigned char>(path.c_str()));
  }
};

TEST(GetSourceSize, ReportsTheFileLengthOrFailsLeavingTheTarget) {
  Quarn::Testing::TempFolder folder;
  Quarn::Testing::FakePluginHost pluginHost;
  SizedContainer container(&pluginHost);
  std::uint64_t size = 77;
  EXPECT_EQ(container.getSourceSize(nullptr), Quarn::ResultFailed);
  EXPECT_EQ(container.getSourceSize(&size), Quarn::ResultFailed) << "no source path";
  container.setSourcePath((folder.path() / "missing.ass").string());
  EXPECT_EQ(container.getSourceSize(&size), Quarn::ResultFailed);
  container.setSourcePath(folder.path().string());
  EXPECT_EQ(container.getSourceSize(&size), Quarn::ResultFailed) << "a directory has no length";
  EXPECT_EQ(size, 77u);
  container.setSourcePath(folder.write("t\xC3\xA9st.ass", "0123456789"));
  ASSERT_EQ(container.getSourceSize(&size), Quarn::ResultOk);
  EXPECT_EQ(size, 10u);
}

}  // namespace
