// Opening generated scripts of 10,000 and 100,000 events (realistic ASS
// lines, CRLF): throughput and heap allocations per event.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <random>
#include <string>

#include "CountingNew.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace {

std::string timeText(unsigned ms) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%u:%02u:%02u.%02u", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms / 10 % 100);
  return buffer;
}

// Writes a script of `events` events and returns its path.
std::string makeScript(int events) {
  const std::string path = "/tmp/quarn-open-bench-" + std::to_string(events) + ".ass";
  std::ofstream out(path, std::ios::binary);
  out << "[Script Info]\r\nTitle: bench\r\nScriptType: v4.00+\r\nPlayResX: 1920\r\n"
         "PlayResY: 1080\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname, Fontsize, "
         "PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, "
         "StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
         "MarginL, MarginR, MarginV, Encoding\r\nStyle: Default,Arial,54,&H00FFFFFF,&H000000FF,"
         "&H00000000,&H64000000,0,0,0,0,100,100,0,0,1,2.5,1,2,60,60,40,1\r\n\r\n[Events]\r\n"
         "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
  std::mt19937 random(1);
  const char* words[] = {"the",     "night", "{\\i1}quietly{\\i0}",
                         "moves",   "over",  "harbour",
                         "lights,", "and",   "we",
                         "wait",    "\\N",   "for",
                         "morning"};
  unsigned at = 0;
  for (int i = 0; i < events; ++i) {
    at += 500 + random() % 3000;
    std::string text;
    for (int w = 3 + random() % 9; w > 0; --w)
      text += std::string(words[random() % 13]) + " ";
    out << "Dialogue: 0," << timeText(at) << "," << timeText(at + 1500 + random() % 2500)
        << ",Default,,0,0,0,," << text << "\r\n";
  }
  return path;
}

void BM_Open(benchmark::State& state) {
  const int events = static_cast<int>(state.range(0));
  const std::string path = makeScript(events);
  const Quarn::String<unsigned char> location(("file://" + path).c_str());
  Quarn::SourceDescriptor source;
  source.location = &location;
  long bytes = 0;
  {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    bytes = static_cast<long>(in.tellg());
  }
  Quarn::Testing::FakePluginHost pluginHost;
  Quarn::Testing::FakeContainerHost host;
  long allocated = 0;
  for (auto _ : state) {
    Quarn::SSAContainer container(&pluginHost);
    container.setHost(&host, 1);
    const long before = QuarnBench::allocations;
    if (container.open(&source) != Quarn::ResultOk)
      state.SkipWithError("open failed");
    allocated += QuarnBench::allocations - before;
    state.PauseTiming();
    container.closeStreams(false);
    container.discardHeader();
    host.destroyRemovedStreams();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["allocs_per_event"] =
      static_cast<double>(allocated) / static_cast<double>(state.iterations() * events);
  std::remove(path.c_str());
}
BENCHMARK(BM_Open)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
