#include "ScriptReader.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "CodePageDetection.h"
#include "Diagnosis.h"
#include "ModuleSearch.h"
#include "NeverDue.h"
#include "ResultText.h"
#include "StreamCalls.h"
#include "TextWarning.h"

#ifndef QUARN_GST_MODULE_FROM_ELEMENT
#define QUARN_GST_MODULE_FROM_ELEMENT "../quarn/plugins/libquarn_ssa.so"
#endif

GST_DEBUG_CATEGORY_STATIC(quarn_ssa_reader_debug);
#define GST_CAT_DEFAULT quarn_ssa_reader_debug

namespace QuarnGst {
namespace {

std::uint64_t hashOf(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::uint32_t toMilliseconds(guint64 time) {
  const guint64 ms = time / GST_MSECOND;
  return ms > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                        : static_cast<std::uint32_t>(ms);
}

/// The module when none is named: the installed plug-in folder seen from the
/// element's own folder, then the element's folder itself (a build folder).
/// The first place when neither holds it, so that the error names it.
std::string defaultModulePath() {
  const std::string folder =
      QuarnHost::folderOfCode(reinterpret_cast<const void*>(&defaultModulePath));
  const QuarnHost::ModuleSearch search = QuarnHost::findModule(
      folder, {QUARN_GST_MODULE_FROM_ELEMENT, QuarnHost::kModuleName}, QuarnHost::isFile);
  return search.found.empty() ? search.tried.front() : search.found;
}

/// Posts the refusal of `open` (of `location`, the URL the plug-in was
/// given with `settings`) as an error message that says why.
void postOpenFailure(GstElement* self, const Properties& properties,
                     const QuarnHost::CodePageSettings& settings, const std::string& location,
                     Quarn::Result result) {
  std::string cause =
      QuarnHost::explainLocation(location, settings, QuarnHost::kElementProperties).text;
  const std::string code = QuarnHost::describeResult(result);
  if (cause.empty())
    cause = "the plug-in refused it: " + code;
  GST_ELEMENT_ERROR(
      self, RESOURCE, OPEN_READ,
      ("Could not open the script \"%s\": %s",
       properties.location.empty() ? location.c_str() : properties.location.c_str(), cause.c_str()),
      ("open returned %s", code.c_str()));
}

/// Posts a warning message for each thing the first read found amiss, as
/// the file itself explains it: `shown` replacement characters that its text
/// does not hold (it was read in the wrong encoding), and, when the read
/// `stalled`, entries that can never fall due. The file is read only when
/// there is something to explain.
void postWarnings(GstElement* self, const QuarnHost::CodePageSettings& settings,
                  const std::string& location, std::uint64_t shown, bool stalled) {
  std::string path;
  if ((shown == 0 && !stalled) ||
      QuarnHost::explainUrl(location, path).refusal != QuarnHost::Refusal::None)
    return;
  const QuarnHost::SourceFile file = QuarnHost::readSourceFile(path);
  const std::string garbled =
      QuarnHost::replacementWarning(file, settings, QuarnHost::kElementProperties, shown);
  if (!garbled.empty())
    GST_ELEMENT_WARNING(self, STREAM, DECODE, ("%s", garbled.c_str()), (nullptr));
  const std::string neverDue = stalled ? QuarnHost::neverDueWarning(file, settings) : "";
  if (!neverDue.empty())
    GST_ELEMENT_WARNING(self, STREAM, DEMUX, ("%s", neverDue.c_str()),
                        ("readStream stays ResultUnavailable at the latest media time"));
}

}  // namespace

std::unique_ptr<ScriptReader> ScriptReader::open(GstElement* self, const Properties& properties,
                                                 const std::string& location) {
  static gsize debugReady = 0;
  if (g_once_init_enter(&debugReady)) {
    GST_DEBUG_CATEGORY_INIT(quarn_ssa_reader_debug, "quarnssareader", 0,
                            "quarn-ssa scripts read through the plug-in");
    g_once_init_leave(&debugReady, 1);
  }
  std::unique_ptr<ScriptReader> script(new ScriptReader());
  const std::string modulePath =
      properties.plugin.empty() ? defaultModulePath() : properties.plugin;
  script->module_ = std::make_unique<QuarnHost::LoadedModule>(modulePath);
  if (!script->module_->loaded()) {
    GST_ELEMENT_ERROR(self, LIBRARY, INIT,
                      ("Cannot load the quarn-ssa plug-in module %s", modulePath.c_str()),
                      ("%s", script->module_->error().c_str()));
    return nullptr;
  }
  if (!properties.traceFile.empty()) {
    script->trace_ = QuarnHost::Trace::open(properties.traceFile);
    if (!script->trace_) {
      GST_ELEMENT_ERROR(self, RESOURCE, OPEN_WRITE,
                        ("Cannot write the trace to %s", properties.traceFile.c_str()),
                        ("%s", g_strerror(errno)));
      return nullptr;
    }
    script->clock_.setTrace(script->trace_.get());
  }
  QuarnHost::Trace* const trace = script->trace();
  // Detected before the module reads the settings. The choice goes to the
  // debug log; a code page other than UTF-8 also to the application, since
  // a wrong guess shows as wrong letters and nothing else would say why.
  const QuarnHost::AnsweredCodePage answered =
      QuarnHost::answerCodePage(settingsOf(properties), location);
  if (answered.detection) {
    const std::string chosen = QuarnHost::describeDetection(*answered.detection, answered.file,
                                                            QuarnHost::kElementProperties);
    GST_INFO_OBJECT(self, "%s", chosen.c_str());
    if (answered.settings.name)
      GST_ELEMENT_INFO(self, STREAM, DECODE, ("%s", chosen.c_str()),
                       ("CodePage/Name answered %s", answered.settings.name->c_str()));
  }
  QuarnHost::ConnectError error;
  script->connection_ = QuarnHost::Connection::connect(*script->module_, properties.language,
                                                       answered.settings, error, trace);
  if (!script->connection_) {
    GST_ELEMENT_ERROR(
        self, LIBRARY, INIT,
        ("The module %s %s", modulePath.c_str(), QuarnHost::describeConnectError(error).c_str()),
        (nullptr));
    return nullptr;
  }

  const Quarn::Result opened = script->connection_->open(location);
  if (opened != Quarn::ResultOk) {
    postOpenFailure(self, properties, answered.settings, location, opened);
    return nullptr;
  }
  Quarn::Result selected = Quarn::ResultOk;
  script->stream_ = script->connection_->selectFirstProgram(selected);
  if (script->stream_ == nullptr) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED,
                      ("The script \"%s\" offers no stream", location.c_str()),
                      ("selectProgram returned %s", QuarnHost::formatResultCode(selected).c_str()));
    return nullptr;
  }
  const std::optional<QuarnHost::FormatHeader> header =
      QuarnHost::takeFormatHeader(*script->stream_, trace);
  if (!header) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED,
                      ("The script \"%s\" has no format header", location.c_str()), (nullptr));
    return nullptr;
  }
  script->format_ = eventFormatOf(header->text);
  GstBuffer* codecData = gst_buffer_new_memdup(header->text.data(), header->text.size());
  script->caps_ = gst_caps_new_simple(
      isAdvancedScript(header->text) ? "application/x-ass" : "application/x-ssa", "codec_data",
      GST_TYPE_BUFFER, codecData, nullptr);
  gst_buffer_unref(codecData);

  // The plug-in paces reads by the consumer's media time; the element lets
  // every entry through and leaves synchronisation to the sinks.
  script->clock_.runFree();
  if (QuarnHost::setConsumer(trace, *script->stream_, &script->clock_) != Quarn::ResultOk) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED, ("The stream refused its consumer"), (nullptr));
    return nullptr;
  }
  QuarnHost::setRate(trace, *script->stream_, 1000);
  QuarnHost::rewind(trace, *script->stream_);
  // One pass in start-time order gives every entry its number and the
  // script its duration, and counts the text that would show garbled.
  QuarnHost::ReplacementCount replacements;
  replacements.add(header->text);
  guint64 end = 0;
  bool stalled = false;
  for (;;) {
    Quarn::MediaChunk* chunk = nullptr;
    const Quarn::Result result = QuarnHost::readStream(trace, *script->stream_, &chunk);
    if (result != Quarn::ResultOk || chunk == nullptr) {
      if (chunk != nullptr)
        QuarnHost::release(trace, *chunk);
      // With the clock at its latest, the entries left can never fall due.
      stalled = result == Quarn::ResultUnavailable;
      break;
    }
    const unsigned char* data = QuarnHost::lockData(trace, *chunk);
    const std::string_view text = QuarnHost::payloadText(data, chunk->length(), chunk->capacity());
    script->timeline_.push_back({chunk->timestamp, hashOf(text)});
    replacements.add(text);
    QuarnHost::unlockData(trace, *chunk);
    end = std::max<guint64>(end, guint64{chunk->timestamp} + chunk->duration);
    QuarnHost::release(trace, *chunk);
  }
  QuarnHost::rewind(trace, *script->stream_);
  postWarnings(self, answered.settings, location, replacements.count(), stalled);

  script->duration_ = end * GST_MSECOND;
  GST_INFO_OBJECT(self, "%s: %zu entries, %" GST_PTR_FORMAT, location.c_str(),
                  script->timeline_.size(), script->caps_);
  return script;
}

ScriptReader::~ScriptReader() {
  if (caps_ != nullptr)
    gst_caps_unref(caps_);
}

std::size_t ScriptReader::placeOf(std::uint32_t timestamp, std::string_view line) {
  const std::uint64_t hash = hashOf(line);
  std::size_t place = 0;
  auto matches = [&](std::size_t i) {
    return timeline_[i].timestamp == timestamp && timeline_[i].hash == hash;
  };
  if (next_ && *next_ < timeline_.size() && matches(*next_)) {
    place = *next_;
  } else {
    auto [first, last] = std::equal_range(
        timeline_.begin(), timeline_.end(), TimelineEntry{timestamp, 0},
        [](const TimelineEntry& a, const TimelineEntry& b) { return a.timestamp < b.timestamp; });
    place = static_cast<std::size_t>(first - timeline_.begin());
    if (direction_ > 0) {
      for (auto it = first; it != last; ++it) {
        if (it->hash == hash) {
          place = static_cast<std::size_t>(it - timeline_.begin());
          break;
        }
      }
    } else {
      for (auto it = last; it != first; --it) {
        if ((it - 1)->hash == hash) {
          place = static_cast<std::size_t>(it - 1 - timeline_.begin());
          break;
        }
      }
    }
  }
  if (direction_ > 0)
    next_ = place + 1;
  else if (place > 0)
    next_ = place - 1;
  else
    next_.reset();
  return place;
}

void ScriptReader::position(const GstSegment& segment) {
  const double rate = segment.rate;
  double scaled = rate * 1000.0;
  scaled = std::max(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::min()));
  scaled = std::min(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::max()));
  std::int32_t pluginRate = static_cast<std::int32_t>(scaled);
  if (pluginRate == 0)
    pluginRate = rate < 0 ? -1 : 1;
  QuarnHost::setRate(trace(), *stream_, pluginRate);
  QuarnHost::rewind(trace(), *stream_);
  direction_ = pluginRate > 0 ? 1 : -1;
  next_.reset();
  if (pluginRate > 0 && segment.start > 0)
    QuarnHost::seekStream(trace(), *stream_, toMilliseconds(segment.start), nullptr);
  else if (pluginRate < 0 && GST_CLOCK_TIME_IS_VALID(segment.stop))
    QuarnHost::seekStream(trace(), *stream_, toMilliseconds(segment.stop), nullptr);
}

Next ScriptReader::read(GstElement* self, const GstSegment& segment, bool comments,
                        GstBuffer** out) {
  bool skipped = false;
  for (;;) {
    Quarn::MediaChunk* chunk = nullptr;
    const Quarn::Result result = QuarnHost::readStream(trace(), *stream_, &chunk);
    if (result == Quarn::ResultOk && chunk == nullptr)
      return Next::End;
    if (result != Quarn::ResultOk) {
      if (chunk != nullptr)
        QuarnHost::release(trace(), *chunk);
      // With the clock at its latest, an entry that is not due never will be,
      // nor any after it in start-time order. Going backward such entries
      // come first: the read goes on from the last entry that can fall due,
      // the last that starts before the millisecond after the latest start.
      if (result == Quarn::ResultUnavailable) {
        if (direction_ > 0 || skipped)
          return Next::End;
        skipped = true;
        QuarnHost::seekStream(trace(), *stream_, QuarnHost::kLatestDueStart + 1u, nullptr);
        continue;
      }
      GST_ELEMENT_ERROR(self, STREAM, FAILED, ("Reading the subtitle stream failed"),
                        ("readStream returned %s", QuarnHost::formatResultCode(result).c_str()));
      return Next::Failure;
    }
    const std::uint32_t timestamp = chunk->timestamp;
    const std::uint32_t duration = chunk->duration;
    const unsigned char* data = QuarnHost::lockData(trace(), *chunk);
    const std::string line(QuarnHost::payloadText(data, chunk->length(), chunk->capacity()));
    QuarnHost::unlockData(trace(), *chunk);
    QuarnHost::release(trace(), *chunk);

    const std::size_t place = placeOf(timestamp, line);
    const guint64 start = guint64{timestamp} * GST_MSECOND;
    const guint64 end = (guint64{timestamp} + duration) * GST_MSECOND;
    // Reading goes in start-time order: past the segment's far end in the
    // reading direction nothing more can show.
    if (direction_ > 0 && GST_CLOCK_TIME_IS_VALID(segment.stop) && start >= segment.stop)
      return Next::End;
    if (!comments && QuarnGst::eventKind(line) != "Dialogue")
      continue;
    if (!gst_segment_clip(&segment, GST_FORMAT_TIME, start, end, nullptr, nullptr))
      continue;
    const std::string block = QuarnGst::blockPayload(line, format_, place);
    GstBuffer* buffer = gst_buffer_new_memdup(block.data(), block.size());
    GST_BUFFER_PTS(buffer) = start;
    GST_BUFFER_DURATION(buffer) = guint64{duration} * GST_MSECOND;
    *out = buffer;
    return Next::Entry;
  }
}

bool endsSegment(const GstBuffer* buffer, const GstSegment& segment) {
  if (segment.rate >= 0)
    return GST_CLOCK_TIME_IS_VALID(segment.stop) &&
           GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer) >= segment.stop;
  return GST_BUFFER_PTS(buffer) <= segment.start;
}

}  // namespace QuarnGst
