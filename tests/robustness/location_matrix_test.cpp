// Bad locations through the container face, one row each. What is no local
// file URL, or is not well-formed UTF-8, is refused with ResultBadLocation
// before any file is looked at; a local path that holds no readable script
// fails with ResultFailed, promptly, whatever sits at that path. No row leaves
// a stream behind, and the sanitizer run checks that nothing leaks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "robustness/MatrixSupport.h"
#include "text/TempFolder.h"

namespace Quarn::Testing::Matrix {
namespace {

struct LocationRow {
  std::string name;
  std::string location;
  Result expected;
};

class LocationMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = folder.path().string();
    url = "file://" + dir;
    folder.write("good.ass", kGoodScript);
    folder.write("other.ass", kGoodScript);
    ASSERT_EQ(::mkdir((dir + "/show").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((dir + "/x.ass").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((dir + "/fifo.ass").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir + "/zero.ass").c_str()), 0);
    ASSERT_EQ(::symlink((dir + "/missing.ass").c_str(), (dir + "/dangling.ass").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b.ass", (dir + "/loop-a.ass").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a.ass", (dir + "/loop-b.ass").c_str()), 0);
  }

  /// Writes a good script under the raw file name `name` (any bytes but "/"
  /// and zero); returns the location that spells that name byte for byte.
  std::string plant(const std::string& name) const {
    folder.write(name, kGoodScript);
    return url + "/" + name;
  }

  /// A good script at a path of exactly `bytes` bytes, in nested folders as
  /// no single name may exceed 255 bytes; returns the path.
  std::string deepScript(std::size_t bytes) const {
    std::string path = dir;
    while (bytes - path.size() - 1 > 255) {
      path += "/" + std::string(200, 'd');
      ::mkdir(path.c_str(), 0700);
    }
    path += "/" + std::string(bytes - path.size() - 1 - 4, 'f') + ".ass";
    std::ofstream(path, std::ios::binary) << kGoodScript;
    return path;
  }

  /// Opens the row's location in a fresh container and checks its outcome.
  void check(const LocationRow& row) const;

  TempFolder folder;
  std::string dir;
  std::string url;
};

// Runs open on a thread of its own. Should it block (a FIFO opened without
// O_NONBLOCK waits for a writer), the FIFO's other end is opened and closed,
// which ends the wait, so the suite reports the fault instead of hanging.
Result openWatched(HostedContainer& hosted, const std::string& location, const std::string& fifo) {
  auto pending = std::async(std::launch::async, [&] { return hosted.open(location); });
  if (pending.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    ADD_FAILURE() << "open blocked; the FIFO's writer end is opened to free it";
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0)
      ::close(writer);
  }
  return pending.get();
}

void LocationMatrix::check(const LocationRow& row) const {
  SCOPED_TRACE(row.name);
  HostedContainer hosted;
  const auto start = std::chrono::steady_clock::now();
  const Result result = openWatched(hosted, row.location, dir + "/fifo.ass");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "open must not wait on what the path names";
  EXPECT_EQ(std::string(resultName(result)), resultName(row.expected));
  if (row.expected == ResultBadLocation) {
    EXPECT_TRUE(hosted.face->getSourcePath().isEmpty()) << "a refused location records nothing";
  }
  const std::size_t streams = row.expected == ResultOk ? 1 : 0;
  EXPECT_EQ(hosted.host.log.count("newId"), streams) << "a stream id only for a stream";
  EXPECT_EQ(hosted.selectProgram(), ResultOk);
  EXPECT_EQ(hosted.host.addedStreams.size(), streams) << "nothing offered after a failure";
  if (result == ResultOk && hosted.host.lastOffered() != nullptr) {
    EXPECT_EQ(hosted.readAll(*hosted.host.lastOffered()), goodScriptEntries());
  }
}

TEST_F(LocationMatrix, EachLocationHasItsOutcome) {
  const std::string longest = deepScript(4095);  // with its terminator, exactly 4096
  std::vector<LocationRow> rows = {
      // Controls: the folder's own scripts open, so each refusal below is the
      // location's doing, not the folder's.
      {"a good script", url + "/good.ass", ResultOk},
      {"through localhost", "file://localhost" + dir + "/good.ass", ResultOk},
      {"with one slash", "file:" + dir + "/good.ass", ResultOk},
      {"where an overlong \"/\" would lead", url + "/show/../other.ass", ResultOk},
      {"the longest path that fits", "file://" + longest, ResultOk},

      // No local file URL: there is nothing to open.
      {"empty", "", ResultBadLocation},
      {"a plain path", dir + "/good.ass", ResultBadLocation},
      {"another scheme", "http://localhost" + dir + "/good.ass", ResultBadLocation},
      {"another host", "file://server" + dir + "/good.ass", ResultBadLocation},
      {"another host, the brief form", "file://server/x.ass", ResultBadLocation},

      // Escapes that spell no byte, a zero that would cut the path short, or
      // bytes that are no UTF-8 once decoded.
      {"an escape cut short at the end", url + "/good.ass%2", ResultBadLocation},
      {"an escape cut short", url + "/good%2.ass", ResultBadLocation},
      {"an escape without hex digits", url + "/good%zz.ass", ResultBadLocation},
      {"an escaped zero", url + "/good.ass%00", ResultBadLocation},
      {"a raw zero", url + "/good.ass" + std::string(1, '\0') + "x.ass", ResultBadLocation},
      {"an escaped overlong \"/\"", url + "/show%C0%AF..%C0%AFother.ass", ResultBadLocation},

      // Raw bytes that are not well-formed UTF-8, one row per class. Each
      // names a file that exists under exactly those bytes, and the overlong
      // "/" forms lead a lenient decoder to other.ass through show/..: only
      // the refusal keeps them closed.
      {"a stray continuation byte", plant("show\x80.ass"), ResultBadLocation},
      {"an overlong 2-byte \"/\"", plant("show\xC0\xAF..\xC0\xAFother.ass"), ResultBadLocation},
      {"an overlong 3-byte \"/\"", plant("show\xE0\x80\xAF..\xE0\x80\xAFother.ass"),
       ResultBadLocation},
      {"a surrogate", plant("show\xED\xA0\x80.ass"), ResultBadLocation},
      {"above U+10FFFF", plant("show\xF4\x90\x80\x80.ass"), ResultBadLocation},
      {"a sequence cut short at the end", plant("good.ass\xE2\x82"), ResultBadLocation},

      // Too long for a path: refused before the file system is asked.
      {"one byte past the limit", "file://" + longest.substr(0, longest.size() - 4) + "f.ass",
       ResultBadLocation},
      {"far past the limit", url + "/" + std::string(5000, 'a') + ".ass", ResultBadLocation},

      // Local paths with no regular file to read: each fails as an open would.
      {"a missing file", url + "/missing.ass", ResultFailed},
      {"a directory named x.ass", url + "/x.ass", ResultFailed},
      {"a FIFO without a writer", url + "/fifo.ass", ResultFailed},
      {"/dev/zero through a symlink", url + "/zero.ass", ResultFailed},
      {"a dangling symlink", url + "/dangling.ass", ResultFailed},
      {"a looping symlink", url + "/loop-a.ass", ResultFailed},
  };
  // Lead bytes that never start a character, F5 to FF, each before three
  // continuation bytes so that only the lead byte is at fault.
  for (int lead = 0xF5; lead <= 0xFF; ++lead) {
    char name[16];
    std::snprintf(name, sizeof name, "lead byte %02X", lead);
    rows.push_back({name,
                    plant("show" + std::string(1, static_cast<char>(lead)) + "\x80\x80\x80.ass"),
                    ResultBadLocation});
  }
  for (const LocationRow& row : rows)
    check(row);
}

TEST_F(LocationMatrix, FileWithoutReadPermission) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "running as root, which reads a file whatever its permission bits: "
                    "the refusal cannot be provoked";
  const std::string path = folder.write("locked.ass", kGoodScript);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  check({"a file without read permission", url + "/locked.ass", ResultFailed});
}

// A writer thread cuts the file short and grows it back while opens run. A
// byte at any offset is always the script's byte there, so every read sees a
// prefix of the script, or comes up short: each open succeeds or fails, and
// what it serves are the script's lines, the last one possibly cut.
TEST_F(LocationMatrix, FileRewrittenWhileOpened) {
  std::string script =
      "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
      "Text\r\n";
  std::map<std::uint32_t, std::string> lines;  // by start time, each unique
  for (int i = 1; i <= 100; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "Dialogue: 0,0:%02d:%02d.00,0:%02d:%02d.50,Default,,0,0,0,,%d",
                  i / 60, i % 60, i / 60, i % 60, i);
    lines[static_cast<std::uint32_t>(i) * 1000] = line;
    script += std::string(line) + "\r\n";
  }
  const std::string path = folder.write("moving.ass", script);

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    std::mt19937 random(20240611);
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0)
      return;
    // Cut short, grown back in pieces, whole again; the pauses leave each
    // state in place for a while, however the two threads are scheduled.
    while (!stop) {
      const std::size_t cut = random() % script.size();
      if (::ftruncate(fd, static_cast<off_t>(cut)) != 0)
        break;
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 200));
      for (std::size_t at = cut; at < script.size(); at += 997) {
        const std::size_t piece = std::min<std::size_t>(997, script.size() - at);
        if (::pwrite(fd, script.data() + at, piece, static_cast<off_t>(at)) !=
            static_cast<ssize_t>(piece))
          break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 200));
    }
    ::close(fd);
  });
  // Stops the writer however the test ends, a failed assertion included.
  struct StopWriter {
    std::atomic<bool>& stop;
    std::thread& writer;
    ~StopWriter() {
      stop = true;
      writer.join();
    }
  } stopWriter{stop, writer};

  int opened = 0;
  int partial = 0;
  for (int i = 0; i < 300; ++i) {
    HostedContainer hosted;
    const Result result = hosted.open(url + "/moving.ass");
    ASSERT_TRUE(result == ResultOk || result == ResultFailed) << resultName(result);
    if (result != ResultOk)
      continue;
    ++opened;
    ASSERT_EQ(hosted.selectProgram(), ResultOk);
    ASSERT_NE(hosted.host.lastOffered(), nullptr);
    const std::vector<Entry> entries = hosted.readAll(*hosted.host.lastOffered());
    partial += entries.size() < lines.size();
    for (const Entry& entry : entries) {
      const auto line = lines.find(entry.timestamp);
      ASSERT_NE(line, lines.end()) << entry.text;
      EXPECT_EQ(line->second.compare(0, entry.text.size(), entry.text), 0)
          << "not a prefix of its line: " << entry.text;
    }
  }
  // How often the race was met, for whoever reads the test report.
  RecordProperty("opened", opened);
  RecordProperty("partial", partial);
}

}  // namespace
}  // namespace Quarn::Testing::Matrix
