// File's open results and size, and the container's source size built on it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"
#include "text/File.h"
#include "text/TempFolder.h"
#include "text/Utf.h"

namespace {

using Quarn::File;
using Quarn::Testing::TempFolder;

std::u16string wide(const std::string& path) {
  return Quarn::utf8ToWide(path);
}

TEST(File, OpenReportsEachOutcome) {
  TempFolder folder;
  const std::string path = folder.write("script.ass", "[Script Info]");
  File file;
  EXPECT_EQ(file.open(wide(path), 8), File::BadMode);
  EXPECT_EQ(file.open(wide(path), -1), File::BadMode);
  EXPECT_EQ(file.open(wide(path + ".missing"), 0), File::Refused);
  EXPECT_EQ(file.open(wide(folder.path().string()), 0), File::Refused) << "a directory";
  EXPECT_EQ(file.open(std::u16string{u'/', char16_t(0xD800)}, 4), File::Refused)
      << "not valid UTF-16";
  EXPECT_EQ(file.open(wide(path) + std::u16string(1, u'\0') + u"x", 0), File::Refused);
  EXPECT_FALSE(file.isOpen());

  ASSERT_EQ(file.open(wide(path), 0), File::Opened);
  EXPECT_EQ(file.open(wide(path), 1), File::AlreadyOpen);
  EXPECT_EQ(file.open(wide(path), 9), File::AlreadyOpen) << "checked before the mode";
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "[Script Info]") << "the refused second open truncated nothing";
}

TEST(File, SizeIsSixtyFourBitAndFailureIsNeverALength) {
  TempFolder folder;
  File closed;
  EXPECT_EQ(closed.size(), -1);

  const std::string path = folder.write("big.ass", "");
  const std::int64_t fiveGiB = std::int64_t{5} << 30;
  ASSERT_EQ(::truncate(path.c_str(), fiveGiB), 0);  // sparse
  File file;
  ASSERT_EQ(file.open(wide(path), 0), File::Opened);
  EXPECT_EQ(file.size(), fiveGiB);
  EXPECT_EQ(file.size(), fiveGiB) << "the position was restored";
}

// The container with a source path set as open would set it.
class SizedContainer : public Quarn::SSAContainer {
 public:
  explicit SizedContainer(Quarn::PluginHost* host) : SSAContainer(host) {}
  void setSourcePath(const std::string& path) {
    sourcePath_.assign(Quarn::String<unsigned char>(path.c_str()));
  }
};

TEST(GetSourceSize, ReportsTheFileLengthOrFailsWithoutTouchingTheTarget) {
  TempFolder folder;
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
  container.setSourcePath(folder.write("empty.ass", ""));
  ASSERT_EQ(container.getSourceSize(&size), Quarn::ResultOk);
  EXPECT_EQ(size, 0u);
}

}  // namespace
