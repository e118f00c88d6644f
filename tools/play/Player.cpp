#include "Player.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <quarn/ContainerInterface.h>
#include <quarn/StreamInterface.h>

#include "CodePageDetection.h"
#include "Connection.h"
#include "Diagnosis.h"
#include "MediaClock.h"
#include "Module.h"
#include "ModuleSearch.h"
#include "NeverDue.h"
#include "Progress.h"
#include "StreamCalls.h"
#include "TextWarning.h"

namespace QuarnPlay {
namespace {

constexpr const char* kProgram = "quarn-ssa-play";

/// How long a forward paced read waits before asking the stream again.
constexpr std::chrono::milliseconds kPollInterval{5};

/// "a", "a and b", "a, b and c".
std::string joinPlaces(const std::vector<std::string>& places) {
  std::string text;
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i > 0)
      text += i + 1 == places.size() ? " and " : ", ";
    text += places[i];
  }
  return text;
}

StreamSummary summarise(QuarnHost::Trace* trace, Quarn::StreamInterface& stream) {
  using QuarnHost::JsonFields;
  using QuarnHost::Trace;
  StreamSummary s;
  s.id = stream.streamId();
  const JsonFields args = JsonFields().number("stream", static_cast<std::int64_t>(s.id));
  Quarn::String<unsigned char> name;
  Quarn::String<char> language;
  Quarn::String<char> region;
  {
    Trace::Call call(trace, "getDescription");
    const bool written = stream.getDescription(&name, &language, &region, 0);
    if (call)
      call.done(args, written ? "true" : "false");
  }
  if (name.data() != nullptr)
    s.name.assign(reinterpret_cast<const char*>(name.data()), name.length());
  if (language.data() != nullptr)
    s.language.assign(language.data(), language.length());
  if (region.data() != nullptr)
    s.region.assign(region.data(), region.length());
  {
    Trace::Call call(trace, "getStreamType");
    s.type = stream.getStreamType();
    if (call)
      call.done(args, std::to_string(s.type));
  }
  {
    Trace::Call call(trace, "getFormat");
    s.format = stream.getFormat();
    if (call)
      call.done(args, {});
  }
  Trace::Call call(trace, "getProperties");
  const Quarn::ImageProperties& properties = stream.getProperties();
  s.width = properties.width;
  s.height = properties.height;
  if (call)
    call.done(args, {});
  return s;
}

struct ReadOutcome {
  std::uint64_t chunks = 0;
  bool stalled = false;
  /// The code that stopped reading when it was neither an end nor a stall.
  std::optional<Quarn::Result> failure;
};

/// The drive of one container, from probe to the last chunk. Clean-up is
/// the caller's, so that it happens however the run ends.
class Session {
 public:
  Session(const Options& options, const QuarnHost::CodePageSettings& settings, Report& report,
          std::FILE* errors, bool progressAllowed, QuarnHost::Connection& connection)
      : options_(options),
        settings_(settings),
        report_(report),
        errors_(errors),
        progressAllowed_(progressAllowed),
        connection_(connection),
        trace_(connection.trace()) {
    clock_.setTrace(trace_);
  }

  int run(const Source& played);

 private:
  int fail(const std::string& what, Quarn::Result result, std::uint64_t chunks = 0);
  void explainOpenFailure(const Source& source);
  const QuarnHost::SourceFile* localFile(const Source& source);
  void warnOfReplacements(const Source& source);
  void warnOfNeverDue(const Source& source);
  void takeHeader(Quarn::StreamInterface& stream);
  void position(Quarn::StreamInterface& stream, bool report);
  void startClock();
  void holdUntilShown(const Quarn::MediaChunk& chunk);
  ReadOutcome readAll(Quarn::StreamInterface& stream, bool paced, bool print);

  const Options& options_;
  /// What the host answers, a detected code page in place of "auto".
  const QuarnHost::CodePageSettings& settings_;
  Report& report_;
  std::FILE* errors_;
  const bool progressAllowed_;
  QuarnHost::Connection& connection_;
  QuarnHost::Trace* const trace_;
  QuarnHost::MediaClock clock_;
  /// A backward paced clock that starts at the end of the first entry read.
  bool clockAwaitsFirstEntry_ = false;
  /// Drawn while the entries are read, when the run allows it.
  std::optional<ProgressLine> progress_;
  /// Replacement characters in the text handed out and printed.
  QuarnHost::ReplacementCount replacements_;
  /// The file played, once a warning has needed it.
  std::optional<QuarnHost::SourceFile> file_;
};

int Session::fail(const std::string& what, Quarn::Result result, std::uint64_t chunks) {
  progress_.reset();
  report_.end(chunks, false);
  std::fprintf(errors_, "%s: %s: %s\n", kProgram, what.c_str(),
               QuarnHost::describeResult(result).c_str());
  return kExitNotRead;
}

// Every refusal says why, in both views: the explanation goes to standard
// error, which JSON runs leave to people.
void Session::explainOpenFailure(const Source& source) {
  const QuarnHost::Explanation why =
      QuarnHost::explainLocation(source.location, settings_, QuarnHost::kPlayerOptions);
  if (!why.text.empty())
    std::fprintf(errors_, "%s: %s\n", kProgram, why.text.c_str());
  else
    std::fprintf(errors_,
                 "%s: the file looks readable by the plug-in's rules; its own log may say more "
                 "(--verbose)\n",
                 kProgram);
}

// The warnings look at the file itself, read once for them all; null when
// the location names no local file.
const QuarnHost::SourceFile* Session::localFile(const Source& source) {
  if (!file_) {
    std::string path;
    if (QuarnHost::explainUrl(source.location, path).refusal != QuarnHost::Refusal::None)
      return nullptr;
    file_ = QuarnHost::readSourceFile(path);
  }
  return &*file_;
}

// Text that is shown garbled is reported, once, on standard error; what
// the views print stays as it is.
void Session::warnOfReplacements(const Source& source) {
  if (replacements_.count() == 0)
    return;
  const QuarnHost::SourceFile* file = localFile(source);
  if (file == nullptr)
    return;
  const std::string warning = QuarnHost::replacementWarning(
      *file, settings_, QuarnHost::kPlayerOptions, replacements_.count());
  if (!warning.empty())
    std::fprintf(errors_, "%s: warning: %s\n", kProgram, warning.c_str());
}

// A read that stalled may have stopped at entries that can never be shown:
// the views say only that it stopped, standard error how many and why. The
// file is decoded again for this only when reading stalled.
void Session::warnOfNeverDue(const Source& source) {
  const QuarnHost::SourceFile* file = localFile(source);
  if (file == nullptr)
    return;
  const std::string warning = QuarnHost::neverDueWarning(*file, settings_);
  if (!warning.empty())
    std::fprintf(errors_, "%s: warning: %s\n", kProgram, warning.c_str());
}

int Session::run(const Source& played) {
  const std::string& location = played.location;
  report_.probe(connection_.probe(location));

  // Opened whatever the verdict, so that the user sees the container's answer.
  const Quarn::Result opened = connection_.open(location);
  report_.open(opened);
  if (opened != Quarn::ResultOk) {
    report_.end(0, false);
    std::fprintf(errors_, "%s: cannot open %s: %s (%s)\n", kProgram, location.c_str(),
                 openResultName(opened), formatResultCode(opened).c_str());
    explainOpenFailure(played);
    return kExitNotRead;
  }

  Quarn::Result selected = Quarn::ResultOk;
  std::uint64_t programId = 0;
  Quarn::StreamInterface* stream = connection_.selectFirstProgram(selected, &programId);
  if (selected != Quarn::ResultOk)
    return fail("cannot select programme " + std::to_string(programId), selected);
  for (Quarn::StreamInterface* offered : connection_.host().streams())
    report_.streamOffered(summarise(trace_, *offered));
  if (stream == nullptr) {
    report_.end(0, false);
    return kExitPlayed;
  }
  if (options_.header)
    takeHeader(*stream);
  if (const Quarn::Result set = QuarnHost::setConsumer(trace_, *stream, &clock_);
      set != Quarn::ResultOk)
    return fail("the stream refused its consumer", set);
  QuarnHost::setRate(trace_, *stream, options_.rate);
  position(*stream, true);

  std::optional<std::uint64_t> entries;
  if (report_.wantsEntryCount() || progressAllowed_) {
    // The count comes first in the human view, and the progress line needs
    // it as its total: read through once without printing, then go back to
    // where reading starts.
    clock_.runFree();
    const ReadOutcome counted = readAll(*stream, false, false);
    if (!counted.failure)
      entries = counted.chunks;
    position(*stream, false);
  }
  report_.streamReading(summarise(trace_, *stream), entries);

  startClock();
  if (progressAllowed_ && entries && progressWorthShowing(*entries))
    progress_.emplace(errors_, kProgram, *entries);
  const ReadOutcome outcome = readAll(*stream, options_.realtime, true);
  progress_.reset();
  warnOfReplacements(played);
  if (outcome.stalled)
    warnOfNeverDue(played);
  if (outcome.failure)
    return fail("reading the stream failed", *outcome.failure, outcome.chunks);
  report_.end(outcome.chunks, outcome.stalled);
  return kExitPlayed;
}

void Session::takeHeader(Quarn::StreamInterface& stream) {
  if (const auto header = QuarnHost::takeFormatHeader(stream, trace_)) {
    replacements_.add(header->text);
    report_.header(header->tag, header->kind, header->length, header->text);
  }
}

// After a rate change the position is rewound to the first entry in the new
// direction; the seek, if any, goes from there.
void Session::position(Quarn::StreamInterface& stream, bool report) {
  QuarnHost::rewind(trace_, stream);
  if (!options_.seek)
    return;
  std::uint32_t reached = 0;
  const Quarn::Result result = QuarnHost::seekStream(trace_, stream, *options_.seek, &reached);
  if (report)
    report_.seek(*options_.seek,
                 Quarn::isFailure(result) ? std::nullopt : std::optional<std::uint32_t>(reached),
                 result);
}

// A backward clock without a seek starts at the end of the last entry, which
// is known only once the stream has handed it out. Until then the clock runs
// free: the first read sees the latest time, so that entry is due whatever
// its time, and holdUntilShown starts the clock at its end.
void Session::startClock() {
  clockAwaitsFirstEntry_ = false;
  if (!options_.realtime) {
    clock_.runFree();
  } else if (options_.rate < 0 && !options_.seek) {
    clock_.runFree();
    clockAwaitsFirstEntry_ = true;
  } else {
    clock_.startPaced(options_.seek.value_or(0), options_.rate);
  }
}

// The plug-in hands an entry out up to 500 ms before its start going
// forward, and as soon as it is next going backward; a player shows it when
// its own clock gets there: forward at the entry's start, backward at its end.
void Session::holdUntilShown(const Quarn::MediaChunk& chunk) {
  const std::int64_t start = chunk.timestamp;
  const std::int64_t end = start + std::int64_t{chunk.duration};  // up to 2^33
  if (clockAwaitsFirstEntry_) {
    clockAwaitsFirstEntry_ = false;
    clock_.startPaced(end, options_.rate);  // clamped to the latest time
  }
  const std::int64_t shownAt = options_.rate < 0 ? end : start;
  for (std::optional<std::int64_t> wait = clock_.msUntil(shownAt); wait && *wait > 0;
       wait = clock_.msUntil(shownAt))
    std::this_thread::sleep_for(std::chrono::milliseconds(*wait));
}

ReadOutcome Session::readAll(Quarn::StreamInterface& stream, bool paced, bool print) {
  ReadOutcome outcome;
  for (;;) {
    Quarn::MediaChunk* chunk = nullptr;
    const Quarn::Result result = QuarnHost::readStream(trace_, stream, &chunk);
    if (result == Quarn::ResultOk && chunk == nullptr)
      break;
    if (result == Quarn::ResultOk) {
      ++outcome.chunks;
      if (paced)
        holdUntilShown(*chunk);
      if (print) {
        // The chunk is ours until released, so its bytes are read in place.
        const unsigned char* data = QuarnHost::lockData(trace_, *chunk);
        const std::string_view text = payloadText(data, chunk->length(), chunk->capacity());
        replacements_.add(text);
        report_.chunk(chunk->timestamp, chunk->duration, chunk->length(), text);
        QuarnHost::unlockData(trace_, *chunk);
        if (progress_)
          progress_->update(outcome.chunks);
      }
      QuarnHost::release(trace_, *chunk);
      continue;
    }
    if (chunk != nullptr)
      QuarnHost::release(trace_, *chunk);
    if (result != Quarn::ResultUnavailable) {
      outcome.failure = result;
      break;
    }
    // At the latest media time the next entry can never become due, nor
    // once a backward clock has passed it: that clock only goes down.
    if (clock_.now() == QuarnHost::MediaClock::kLatest || (paced && options_.rate < 0)) {
      outcome.stalled = true;
      break;
    }
    if (!paced) {
      outcome.failure = result;
      break;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return outcome;
}

}  // namespace

int play(const Options& options, const Source& source, Report& report, std::FILE* errors,
         bool progressAllowed) {
  std::string path = options.pluginPath;
  if (path.empty()) {
    const std::string folder = QuarnHost::executableFolder();
    if (folder.empty()) {
      path = QuarnHost::kModuleName;  // left to the loader's own search
    } else {
      const QuarnHost::ModuleSearch search = QuarnHost::findModule(
          folder, {QuarnHost::kModuleName, QuarnHost::kModuleFromPlayer}, QuarnHost::isFile);
      if (search.found.empty()) {
        std::fprintf(errors,
                     "%s: cannot find the plug-in module: tried %s; name one with --plugin PATH\n",
                     kProgram, joinPlaces(search.tried).c_str());
        return kExitNoModule;
      }
      path = search.found;
    }
  }
  // The logging library reads the variable when the module first loads it,
  // which is after this; what the user had set is overridden on purpose.
  if (options.verbose)
    setenv("QUARN_LOG", "stderr", 1);
  const QuarnHost::LoadedModule module(path);
  if (!module.loaded()) {
    std::fprintf(errors, "%s: cannot load the plug-in module %s: %s\n", kProgram, path.c_str(),
                 module.error().c_str());
    return kExitNoModule;
  }
  // The trace file is made before the first call into the module, so that a
  // run refused for it has called nothing.
  std::unique_ptr<QuarnHost::Trace> trace;
  if (options.trace) {
    trace = QuarnHost::Trace::open(*options.trace);
    if (!trace) {
      std::fprintf(errors, "%s: cannot write the trace to %s: %s\n", kProgram,
                   options.trace->c_str(), std::strerror(errno));
      return kExitUsage;
    }
  }
  // Detected before the module is asked anything, which is when it reads
  // the settings; people are told what was chosen, JSON readers see it in
  // the trace.
  const QuarnHost::AnsweredCodePage answered = QuarnHost::answerCodePage(
      QuarnHost::CodePageSettings{options.overrideEmbedded, options.codepage}, source.location);
  if (answered.detection && !options.json)
    std::fprintf(
        errors, "%s: %s\n", kProgram,
        QuarnHost::describeDetection(*answered.detection, answered.file, QuarnHost::kPlayerOptions)
            .c_str());
  QuarnHost::ConnectError error;
  const std::unique_ptr<QuarnHost::Connection> connection = QuarnHost::Connection::connect(
      module, options.language, answered.settings, error, trace.get());
  if (!connection) {
    switch (error.kind) {
      case QuarnHost::ConnectError::kNoPlugin:
        std::fprintf(errors, "%s: getPlugin of %s gave no plug-in: %s\n", kProgram, path.c_str(),
                     QuarnHost::describeResult(error.result).c_str());
        break;
      case QuarnHost::ConnectError::kNoContainer:
        std::fprintf(errors, "%s: the plug-in of %s offers no container: %s\n", kProgram,
                     path.c_str(), QuarnHost::describeResult(error.result).c_str());
        break;
      default:
        std::fprintf(errors, "%s: %s has no getPlugin\n", kProgram, path.c_str());
    }
    return kExitNoModule;
  }

  int status = kExitNotRead;
  try {
    Session session(options, answered.settings, report, errors, progressAllowed, *connection);
    status = session.run(source);
  } catch (const std::exception& e) {
    std::fprintf(errors, "%s: the plug-in failed: %s\n", kProgram, e.what());
  }

  // Everything goes back in the order the container expects, before the
  // module goes away.
  if (!connection->close())
    std::fprintf(errors, "%s: warning: the plug-in outlived its last release\n", kProgram);
  return status;
}

}  // namespace QuarnPlay
