// What a host detecting code pages pays before the plug-in reads a script:
// for a UTF-8 script, the usual case, one pass over the file. The script is
// the generator's of 7,000 events, about 1 MB, which the player reads whole
// in about 4 ms; the detection must stay a small part of that.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "CodePageDetection.h"
#include "ScriptGenerator.h"

namespace {

constexpr std::size_t kEvents = 7000;

void BM_DetectCodePageUtf8(benchmark::State& state) {
  std::string error;
  bool written = false;
  if (!QuarnBench::ensureScripts(QUARN_BENCH_SCRIPTS_DIR, kEvents, &written, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const std::string location =
      "file://" + QuarnBench::scriptPath(QUARN_BENCH_SCRIPTS_DIR, kEvents, false);
  const QuarnHost::CodePageSettings asked{{}, std::string(QuarnHost::kDetectCodePage)};
  for (auto _ : state) {
    const QuarnHost::AnsweredCodePage answer = QuarnHost::answerCodePage(asked, location);
    if (!answer.detection || answer.detection->basis != QuarnHost::CodePageDetection::Basis::Utf8) {
      state.SkipWithError("the generated script was not taken for UTF-8");
      return;
    }
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(BM_DetectCodePageUtf8)->Unit(benchmark::kMicrosecond);

}  // namespace
