// Deterministic ASS v4+ scripts for the benchmarks, shaped like the scripts
// met in practice: CRLF line ends, five styles, about 41% of event lines
// with override tags (16% karaoke), 14% with commas in the text, 2% out of
// start-time order, many equal start times, about 144 bytes per event line
// and a few Comment lines. The same size and seed give the same bytes on
// every run and every machine: the generator uses its own random numbers,
// never the standard library's distributions, whose output is not fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace QuarnBench {

/// Raised whenever the bytes produced change, so that stale files are
/// noticed by their first line and written again.
constexpr int kGeneratorVersion = 1;
constexpr std::uint64_t kDefaultSeed = 0x51A5C0DE2024ull;

/// splitmix64: small, fast and fully defined.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  /// Uniform enough in [low, high]; the modulo bias is far below what matters here.
  std::uint32_t range(std::uint32_t low, std::uint32_t high) {
    return low + static_cast<std::uint32_t>(next() % (high - low + 1u));
  }
  /// True with probability perMille / 1000.
  bool chance(std::uint32_t perMille) { return next() % 1000u < perMille; }

 private:
  std::uint64_t state_;
};

/// Produces one script line by line, so that a million events never need
/// to be held in memory at once.
class ScriptGenerator {
 public:
  explicit ScriptGenerator(std::size_t events, std::uint64_t seed = kDefaultSeed);

  /// Everything up to and including the events Format line. Its second
  /// line names the generator version, the seed and the event count.
  std::string header() const;
  /// Appends the next event line with its CRLF; false once all are out.
  bool nextEvent(std::string& out);

 private:
  void appendPlainText(std::string& out, std::size_t target, bool comma);
  void appendTaggedText(std::string& out, std::size_t target, bool commaTag, bool comma);
  void appendKaraokeText(std::string& out, std::size_t target);

  std::size_t events_;
  std::size_t produced_ = 0;
  std::uint64_t seed_;
  Random random_;
  /// The in-order start time, in centiseconds.
  std::uint32_t clock_ = 0;
};

/// Appends UTF-16 LE code units for `utf8`, which must be well formed (the
/// generator's own output is).
void appendUtf16Le(std::string_view utf8, std::string& out);

/// Counts over the lines of a UTF-8 script, for checking the shape and for
/// checking what a reader reports.
struct ScriptShape {
  std::size_t bytes = 0;
  std::size_t lines = 0;
  std::size_t dialogues = 0;
  std::size_t comments = 0;
  /// Event lines whose text holds an override block "{\".
  std::size_t tagged = 0;
  /// Event lines with karaoke tags (\k, \K, \kf, \ko).
  std::size_t karaoke = 0;
  /// Event lines whose text (the tenth field on) holds a comma.
  std::size_t commas = 0;
  /// Event lines starting earlier than the event line before them.
  std::size_t outOfOrder = 0;
  /// Event lines starting at the same time as the event line before them.
  std::size_t equalStarts = 0;
  /// Bytes of all event lines, line ends not counted.
  std::size_t eventLineBytes = 0;

  std::size_t events() const { return dialogues + comments; }
  /// Takes one line without its line end.
  void addLine(std::string_view line);

 private:
  std::optional<std::uint32_t> previousStart_;
};

/// Reads a UTF-8 script in pieces of 1 MiB (so that the reader stays small)
/// and measures it; no value when the file cannot be read.
std::optional<ScriptShape> measureScriptFile(const std::string& path);

/// Where the script of `events` events lives in `folder`.
std::string scriptPath(const std::string& folder, std::size_t events, bool utf16);

/// Makes sure `folder` holds the UTF-8 and the UTF-16 LE (with a mark)
/// script of `events` events, writing them when missing or made by another
/// generator version. Files are written under a temporary name and renamed,
/// so an interrupted run leaves no partial script. On failure returns false
/// and says why in `error`; `written` tells whether anything was written.
bool ensureScripts(const std::string& folder, std::size_t events, bool* written,
                   std::string* error);

}  // namespace QuarnBench
