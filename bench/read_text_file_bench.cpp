// Throughput of reading a whole script: a 20 MB UTF-16 LE file with a mark,
// converted through ICU, and a 20 MB UTF-8 file passed through. Reported as
// bytes of file per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "framework/String.h"
#include "text/Encoding.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"

#ifdef QUARN_HAVE_FAKE_HOST
#include "support/FakeHost.h"
#endif

namespace {

constexpr std::size_t kFileBytes = 20u << 20;

// Script-like lines, mostly ASCII with some Latin and CJK text.
std::u16string scriptText(std::size_t units) {
  const std::u16string line =
      u"Dialogue: 0,0:01:02.50,0:01:04.75,Default,,0,0,0,,{\\i1}Caf\u00E9 \u3042\u308A\u304C"
      u"\u3068\u3046{\\i0} \u2014 see you tomorrow\r\n";
  std::u16string text;
  text.reserve(units + line.size());
  while (text.size() < units)
    text += line;
  text.resize(units);
  return text;
}

std::string utf16leBytes() {
  const std::u16string text = scriptText(kFileBytes / 2 - 1);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(kFileBytes);
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string writeFile(const char* name, const std::string& bytes) {
  const char* folder = std::getenv("TMPDIR");
  const std::string path = std::string(folder != nullptr ? folder : "/tmp") + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

void runReads(benchmark::State& state, const std::string& path, Quarn::ContainerHost* host) {
  const Quarn::String<unsigned char> location(path.c_str());
  for (auto _ : state) {
    Quarn::String<unsigned char> text;
    if (!Quarn::ParserUtilities::readTextFile(location, host, &text, -1)) {
      state.SkipWithError("readTextFile failed");
      break;
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kFileBytes));
  std::remove(path.c_str());
}

#ifdef QUARN_HAVE_FAKE_HOST
void BM_ReadTextFile_Utf16LeWithMark(benchmark::State& state) {
  const std::string path = writeFile("quarn-bench-utf16le.ass", utf16leBytes());
  Quarn::Testing::FakeContainerHost host;
  host.setBoolean("OverrideEmbedded", false);
  runReads(state, path, &host);
}
BENCHMARK(BM_ReadTextFile_Utf16LeWithMark)->Unit(benchmark::kMillisecond);
#endif

void BM_ReadTextFile_Utf8PassThrough(benchmark::State& state) {
  // No host: no settings, so the bytes are passed through unchanged.
  std::string bytes;
  bytes.reserve(kFileBytes + 256);
  const std::string line =
      "Dialogue: 0,0:01:02.50,0:01:04.75,Default,,0,0,0,,{\\i1}Caf\xC3\xA9 "
      "\xE3\x81\x82\xE3\x82\x8A\xE3\x81\x8C\xE3\x81\xA8\xE3\x81\x86{\\i0} see you tomorrow\r\n";
  while (bytes.size() < kFileBytes)
    bytes += line;
  bytes.resize(kFileBytes);
  const std::string path = writeFile("quarn-bench-utf8.ass", bytes);
  runReads(state, path, nullptr);
}
BENCHMARK(BM_ReadTextFile_Utf8PassThrough)->Unit(benchmark::kMillisecond);

// For comparison: the same text through convertToUtf8 alone, and through
// the two ICU calls alone.
void BM_ConvertToUtf8_Utf16Le(benchmark::State& state) {
  const std::string bytes = utf16leBytes().substr(2);
  const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
  for (auto _ : state) {
    Quarn::Utf8Block block =
        Quarn::convertToUtf8Block(KVDSOLD::UCNVLibrary::instance(), "UTF16-LE", text, bytes.size());
    benchmark::DoNotOptimize(block.data.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ConvertToUtf8_Utf16Le)->Unit(benchmark::kMillisecond);

void BM_IcuCallsOnly_Utf16Le(benchmark::State& state) {
  // Fresh targets on every pass, as any caller needs, but no larger than
  // this input requires.
  const KVDSOLD::UCNVLibrary& icu = KVDSOLD::UCNVLibrary::instance();
  const std::string bytes = utf16leBytes().substr(2);
  for (auto _ : state) {
    std::unique_ptr<KVDSOLD::UChar[]> wide(new KVDSOLD::UChar[bytes.size() / 2 + 1]);
    std::unique_ptr<char[]> narrow(new char[bytes.size() / 2 * 3 + 1]);
    KVDSOLD::UErrorCode error = 0;
    KVDSOLD::UConverter* decoder = icu.open("UTF16-LE", &error);
    KVDSOLD::UChar* target = wide.get();
    const char* source = bytes.data();
    icu.toUnicode(decoder, &target, wide.get() + bytes.size() / 2, &source, source + bytes.size(),
                  nullptr, 1, &error);
    icu.close(decoder);
    KVDSOLD::UConverter* encoder = icu.open("utf8", &error);
    char* out = narrow.get();
    const KVDSOLD::UChar* in = wide.get();
    icu.fromUnicode(encoder, &out, narrow.get() + bytes.size() / 2 * 3, &in, target, nullptr, 1,
                    &error);
    icu.close(encoder);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_IcuCallsOnly_Utf16Le)->Unit(benchmark::kMillisecond);

}  // namespace
