// Opening a script while each of its allocations in turn fails. Every run
// must end in a clear result, leave no stream behind a failure, give back
// every allocation once the container is gone, and leave the container able
// to open the script again.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "failure/FailureCycle.h"
#include "subtitle/OverlayStream.h"
#include "text/TempFolder.h"
#include "text/UCNVLibrary.h"

namespace Quarn::Testing {
namespace {

// A guard against a run that keeps reaching its armed allocation forever.
constexpr std::int64_t kMaxAllocations = 100000;
const std::size_t kEntryCount = failureScriptEntries().size();

struct OpenRun {
  ArmedCall call;
  bool consistent = false;  // ResultOk: one stream with every entry; otherwise no stream
  bool reopened = false;    // after a failure, discardHeader then an unarmed open succeeds
  std::int64_t leaked = 0;  // allocations still live after the whole cycle
};

// One container's life around an open armed with k (0: unarmed). Nothing in
// here may keep memory beyond the cycle, so the findings are plain values.
OpenRun openCycle(const std::string& url, const char* codePage, std::int64_t k) {
  OpenRun run;
  const std::int64_t before = FailingNew::live();
  {
    ContainerCycle cycle(codePage);
    SSAContainer& container = *cycle.container;
    run.call = cycle.open(url, k);
    const bool opened = !run.call.badAlloc && !run.call.otherThrow && run.call.result == ResultOk;
    run.consistent = opened
                         ? container.streams().size() == 1 &&
                               container.streams().begin()->second->entryCount() == kEntryCount &&
                               container.formatHeader() != nullptr
                         : container.streams().empty();
    run.reopened = opened;
    if (!opened) {
      container.discardHeader();
      const ArmedCall again = cycle.open(url);
      run.reopened = !again.badAlloc && !again.otherThrow && again.result == ResultOk &&
                     container.streams().size() == 1;
    }
  }
  run.leaked = FailingNew::live() - before;
  return run;
}

// One line per fault of the run armed with k; empty when it was clean.
std::string faults(std::int64_t k, const OpenRun& run) {
  std::string found;
  const bool clear =
      run.call.badAlloc ||
      (!run.call.otherThrow && (run.call.result == ResultOk || run.call.result == ResultFailed));
  if (!clear)
    found += " no clear result;";
  if (!run.consistent)
    found += " streams inconsistent with the result;";
  if (!run.reopened)
    found += " the container could not open the script again;";
  if (run.leaked != 0)
    found += " " + std::to_string(run.leaked) + " allocation(s) leaked;";
  return found.empty()
             ? found
             : "k=" + std::to_string(k) + " (" + outcomeName(run.call) + "):" + found + "\n";
}

struct CodePageCase {
  const char* name;
  const char* codePage;  // the host's CodePage/Name answer, or none
  const char* accent;    // how the file stores the letter é
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CodePageCase& param, std::ostream* out) {
  *out << param.name;
}

class OpenFailure : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(OpenFailure, EveryAllocationFailureEndsCleanly) {
  const CodePageCase& param = GetParam();
  TempFolder folder;
  const std::string url = "file://" + folder.write("film.ass", failureScript(param.accent));

  // Without ICU such an open fails cleanly, and there is no path to cover.
  if (param.codePage != nullptr && !KVDSOLD::UCNVLibrary::instance().isUsable())
    GTEST_SKIP() << "no ICU common library: the code page cannot be converted";
  // Unarmed and untimed: process-wide singletons (logger, converter library)
  // come into being here, outside the measured cycles.
  const OpenRun warmUp = openCycle(url, param.codePage, 0);
  ASSERT_EQ(outcomeName(warmUp.call), "ResultOk");
  ASSERT_TRUE(warmUp.consistent);

  std::string found;
  std::int64_t k = 1;
  for (; k < kMaxAllocations; ++k) {
    const OpenRun run = openCycle(url, param.codePage, k);
    found += faults(k, run);
    if (!run.call.reached)
      break;
  }
  EXPECT_GT(k, 1) << "open allocates";
  EXPECT_LT(k, kMaxAllocations) << "open never stopped reaching its armed allocation";
  EXPECT_EQ(found, "") << "faults over " << k - 1 << " failed allocations";
}

// The plain UTF-8 path, and the path through a legacy code page converter,
// which has its own buffers to give back.
INSTANTIATE_TEST_SUITE_P(CodePages, OpenFailure,
                         ::testing::Values(CodePageCase{"Utf8", nullptr, "\xC3\xA9"},
                                           CodePageCase{"Windows1252", "windows-1252", "\xE9"}),
                         [](const ::testing::TestParamInfo<CodePageCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace Quarn::Testing
