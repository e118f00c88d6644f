#include "QuarnSsaSrc.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Connection.h"
#include "Diagnosis.h"
#include "MediaClock.h"
#include "Module.h"
#include "ModuleSearch.h"
#include "SourceLocation.h"
#include "SubtitleBlocks.h"
#include "TextWarning.h"

#ifndef QUARN_GST_MODULE_FROM_ELEMENT
#define QUARN_GST_MODULE_FROM_ELEMENT "../quarn/plugins/libquarn_ssa.so"
#endif

GST_DEBUG_CATEGORY_STATIC(quarn_ssa_src_debug);
#define GST_CAT_DEFAULT quarn_ssa_src_debug

namespace {

/// The host's answer to "OverrideEmbedded".
enum OverrideEmbedded { kOverrideUnset, kOverrideFalse, kOverrideTrue };

GType overrideEmbeddedType() {
  static gsize type = 0;
  if (g_once_init_enter(&type)) {
    static const GEnumValue values[] = {
        {kOverrideUnset, "No answer: a byte-order mark is ignored, as with true", "unset"},
        {kOverrideFalse, "A byte-order mark decides the encoding", "false"},
        {kOverrideTrue, "The code page overrides a byte-order mark", "true"},
        {0, nullptr, nullptr}};
    g_once_init_leave(&type, g_enum_register_static("GstQuarnSsaOverrideEmbedded", values));
  }
  return type;
}

enum Property {
  kPropertyLocation = 1,
  kPropertyPlugin,
  kPropertyOverrideEmbedded,
  kPropertyCodepage,
  kPropertyLanguage,
  kPropertyComments,
};

struct Properties {
  /// A path or a URL, as given.
  std::string location;
  /// The module to load; empty: the default search.
  std::string plugin;
  OverrideEmbedded overrideEmbedded = kOverrideUnset;
  std::optional<std::string> codepage;
  std::string language;
  bool comments = false;
};

/// One entry of the stream in start-time order, as the first read saw it:
/// enough to know which entry a later read hands out.
struct TimelineEntry {
  std::uint32_t timestamp;
  std::uint64_t hash;
};

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

/// An opened script: the module, the plug-in connected to it, the stream
/// being read, and what the element derived from them.
class OpenScript {
 public:
  ~OpenScript() {
    if (caps != nullptr)
      gst_caps_unref(caps);
  }

  /// Where the entry just read (`timestamp`, `line`) stands in start-time
  /// order: the next place in the reading direction when it matches, else
  /// the place of an entry with the same start and text.
  std::size_t placeOf(std::uint32_t timestamp, std::string_view line) {
    const std::uint64_t hash = hashOf(line);
    std::size_t place = 0;
    auto matches = [&](std::size_t i) {
      return timeline[i].timestamp == timestamp && timeline[i].hash == hash;
    };
    if (next && *next < timeline.size() && matches(*next)) {
      place = *next;
    } else {
      auto [first, last] = std::equal_range(
          timeline.begin(), timeline.end(), TimelineEntry{timestamp, 0},
          [](const TimelineEntry& a, const TimelineEntry& b) { return a.timestamp < b.timestamp; });
      place = static_cast<std::size_t>(first - timeline.begin());
      if (direction > 0) {
        for (auto it = first; it != last; ++it) {
          if (it->hash == hash) {
            place = static_cast<std::size_t>(it - timeline.begin());
            break;
          }
        }
      } else {
        for (auto it = last; it != first; --it) {
          if ((it - 1)->hash == hash) {
            place = static_cast<std::size_t>(it - 1 - timeline.begin());
            break;
          }
        }
      }
    }
    if (direction > 0)
      next = place + 1;
    else if (place > 0)
      next = place - 1;
    else
      next.reset();
    return place;
  }

  // In this order, so that the connection is closed while the clock the
  // stream asks still exists, and the module is unloaded last.
  std::unique_ptr<QuarnHost::LoadedModule> module;
  QuarnHost::MediaClock clock;
  std::unique_ptr<QuarnHost::Connection> connection;
  Quarn::StreamInterface* stream = nullptr;
  QuarnGst::EventFormat format;
  GstCaps* caps = nullptr;
  std::vector<TimelineEntry> timeline;
  std::optional<std::size_t> next;
  int direction = 1;
};

}  // namespace

/// The element's C++ state, kept apart from the GObject instance struct.
struct QuarnSsaSrcState {
  std::mutex propertiesLock;
  Properties properties;

  /// Guards everything below; held by reads and seeks, and by start and stop
  /// while they put the script in place or take it away.
  std::mutex readLock;
  std::unique_ptr<OpenScript> script;
  GstSegment segment;
  bool positioned = false;
};

struct _GstQuarnSsaSrc {
  GstPushSrc parent;
  QuarnSsaSrcState* state;
};

static void gst_quarn_ssa_src_uri_handler_init(gpointer iface, gpointer data);

G_DEFINE_TYPE_WITH_CODE(GstQuarnSsaSrc, gst_quarn_ssa_src, GST_TYPE_PUSH_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER,
                                              gst_quarn_ssa_src_uri_handler_init))

static GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("application/x-ass; application/x-ssa"));

namespace {

QuarnSsaSrcState& stateOf(gpointer object) {
  return *GST_QUARN_SSA_SRC(object)->state;
}

/// The module when none is named: the installed plug-in folder seen from the
/// element's own folder, then the element's folder itself (a build folder).
/// The first place when neither holds it, so that the error names it.
std::string defaultModulePath() {
  const std::string folder =
      QuarnHost::folderOfCode(reinterpret_cast<const void*>(&gst_quarn_ssa_src_get_type));
  const QuarnHost::ModuleSearch search = QuarnHost::findModule(
      folder, {QUARN_GST_MODULE_FROM_ELEMENT, QuarnHost::kModuleName}, QuarnHost::isFile);
  return search.found.empty() ? search.tried.front() : search.found;
}

/// The host's answers to the two settings, from the properties.
QuarnHost::CodePageSettings settingsOf(const Properties& properties) {
  std::optional<bool> overrideEmbedded;
  if (properties.overrideEmbedded != kOverrideUnset)
    overrideEmbedded = properties.overrideEmbedded == kOverrideTrue;
  return QuarnHost::CodePageSettings{overrideEmbedded, properties.codepage};
}

/// Posts the refusal of `open` (of `location`, the URL the plug-in was
/// given) as an error message that says why.
void postOpenFailure(GstQuarnSsaSrc* self, const Properties& properties,
                     const std::string& location, Quarn::Result result) {
  std::string cause =
      QuarnHost::explainLocation(location, settingsOf(properties), QuarnHost::kElementProperties)
          .text;
  const std::string code = QuarnHost::describeResult(result);
  if (cause.empty())
    cause = "the plug-in refused it: " + code;
  GST_ELEMENT_ERROR(
      self, RESOURCE, OPEN_READ,
      ("Could not open the script \"%s\": %s", properties.location.c_str(), cause.c_str()),
      ("open returned %s", code.c_str()));
}

/// Posts a warning message when the script's text holds replacement
/// characters its file does not: it was read in the wrong encoding.
void warnOfReplacements(GstQuarnSsaSrc* self, const Properties& properties,
                        const std::string& location, std::uint64_t shown) {
  std::string path;
  if (shown == 0 || QuarnHost::explainUrl(location, path).refusal != QuarnHost::Refusal::None)
    return;
  const std::string warning =
      QuarnHost::replacementWarning(QuarnHost::readSourceFile(path), settingsOf(properties),
                                    QuarnHost::kElementProperties, shown);
  if (!warning.empty())
    GST_ELEMENT_WARNING(self, STREAM, DECODE, ("%s", warning.c_str()), (nullptr));
}

/// Moves the read position to where `segment` starts reading: the first
/// entry still running at its start going forward, the last one starting
/// before its stop going backward.
void position(OpenScript& script, const GstSegment& segment) {
  const double rate = segment.rate;
  double scaled = rate * 1000.0;
  scaled = std::max(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::min()));
  scaled = std::min(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::max()));
  std::int32_t pluginRate = static_cast<std::int32_t>(scaled);
  if (pluginRate == 0)
    pluginRate = rate < 0 ? -1 : 1;
  script.stream->setRate(pluginRate);
  script.stream->rewind();
  script.direction = pluginRate > 0 ? 1 : -1;
  script.next.reset();
  if (pluginRate > 0 && segment.start > 0)
    script.stream->seekStream(toMilliseconds(segment.start), nullptr, 0);
  else if (pluginRate < 0 && GST_CLOCK_TIME_IS_VALID(segment.stop))
    script.stream->seekStream(toMilliseconds(segment.stop), nullptr, 0);
}

}  // namespace

static gboolean gst_quarn_ssa_src_start(GstBaseSrc* base) {
  GstQuarnSsaSrc* self = GST_QUARN_SSA_SRC(base);
  QuarnSsaSrcState& state = stateOf(base);
  Properties properties;
  {
    std::lock_guard<std::mutex> guard(state.propertiesLock);
    properties = state.properties;
  }
  if (properties.location.empty()) {
    GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("No script given: set the location property"),
                      (nullptr));
    return FALSE;
  }
  std::string location = properties.location;
  if (!QuarnHost::startsWithUrlScheme(location)) {
    const std::string folder = location[0] == '/' ? std::string() : QuarnHost::workingFolder();
    if (location[0] != '/' && folder.empty()) {
      GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND,
                        ("The current folder is unknown; give an absolute path"), (nullptr));
      return FALSE;
    }
    location = QuarnHost::sourceToLocation(location, folder);
  }

  auto script = std::make_unique<OpenScript>();
  const std::string modulePath =
      properties.plugin.empty() ? defaultModulePath() : properties.plugin;
  script->module = std::make_unique<QuarnHost::LoadedModule>(modulePath);
  if (!script->module->loaded()) {
    GST_ELEMENT_ERROR(self, LIBRARY, INIT,
                      ("Cannot load the quarn-ssa plug-in module %s", modulePath.c_str()),
                      ("%s", script->module->error().c_str()));
    return FALSE;
  }
  QuarnHost::ConnectError error;
  script->connection = QuarnHost::Connection::connect(*script->module, properties.language,
                                                      settingsOf(properties), error);
  if (!script->connection) {
    GST_ELEMENT_ERROR(
        self, LIBRARY, INIT,
        ("The module %s %s", modulePath.c_str(), QuarnHost::describeConnectError(error).c_str()),
        (nullptr));
    return FALSE;
  }

  const Quarn::Result opened = script->connection->open(location);
  if (opened != Quarn::ResultOk) {
    postOpenFailure(self, properties, location, opened);
    return FALSE;
  }
  Quarn::Result selected = Quarn::ResultOk;
  script->stream = script->connection->selectFirstProgram(selected);
  if (script->stream == nullptr) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED,
                      ("The script \"%s\" offers no stream", location.c_str()),
                      ("selectProgram returned %s", QuarnHost::formatResultCode(selected).c_str()));
    return FALSE;
  }
  const std::optional<QuarnHost::FormatHeader> header =
      QuarnHost::takeFormatHeader(*script->stream);
  if (!header) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED,
                      ("The script \"%s\" has no format header", location.c_str()), (nullptr));
    return FALSE;
  }
  script->format = QuarnGst::eventFormatOf(header->text);
  GstBuffer* codecData = gst_buffer_new_memdup(header->text.data(), header->text.size());
  script->caps = gst_caps_new_simple(
      QuarnGst::isAdvancedScript(header->text) ? "application/x-ass" : "application/x-ssa",
      "codec_data", GST_TYPE_BUFFER, codecData, nullptr);
  gst_buffer_unref(codecData);

  // The plug-in paces reads by the consumer's media time; the element lets
  // every entry through and leaves synchronisation to the sinks.
  script->clock.runFree();
  if (script->stream->setConsumer(&script->clock) != Quarn::ResultOk) {
    GST_ELEMENT_ERROR(self, STREAM, FAILED, ("The stream refused its consumer"), (nullptr));
    return FALSE;
  }
  script->stream->setRate(1000);
  script->stream->rewind();
  // One pass in start-time order gives every entry its number and the
  // script its duration, and counts the text that would show garbled.
  QuarnHost::ReplacementCount replacements;
  replacements.add(header->text);
  guint64 end = 0;
  for (;;) {
    Quarn::MediaChunk* chunk = nullptr;
    const Quarn::Result result = script->stream->readStream(&chunk);
    if (result != Quarn::ResultOk || chunk == nullptr) {
      if (chunk != nullptr)
        chunk->release();
      break;
    }
    const unsigned char* data = chunk->lockData();
    const std::string_view text = QuarnHost::payloadText(data, chunk->length(), chunk->capacity());
    script->timeline.push_back({chunk->timestamp, hashOf(text)});
    replacements.add(text);
    chunk->unlockData();
    end = std::max<guint64>(end, guint64{chunk->timestamp} + chunk->duration);
    chunk->release();
  }
  script->stream->rewind();
  warnOfReplacements(self, properties, location, replacements.count());

  GST_OBJECT_LOCK(self);
  base->segment.duration = end * GST_MSECOND;
  GST_OBJECT_UNLOCK(self);
  GST_INFO_OBJECT(self, "%s: %zu entries, %" GST_PTR_FORMAT, location.c_str(),
                  script->timeline.size(), script->caps);

  std::lock_guard<std::mutex> guard(state.readLock);
  state.script = std::move(script);
  state.positioned = false;
  return TRUE;
}

static gboolean gst_quarn_ssa_src_stop(GstBaseSrc* base) {
  QuarnSsaSrcState& state = stateOf(base);
  std::unique_ptr<OpenScript> script;
  {
    std::lock_guard<std::mutex> guard(state.readLock);
    script = std::move(state.script);
  }
  return TRUE;
}

static GstCaps* gst_quarn_ssa_src_get_caps(GstBaseSrc* base, GstCaps* filter) {
  QuarnSsaSrcState& state = stateOf(base);
  GstCaps* caps = nullptr;
  {
    std::lock_guard<std::mutex> guard(state.readLock);
    if (state.script && state.script->caps != nullptr)
      caps = gst_caps_ref(state.script->caps);
  }
  if (caps == nullptr)
    caps = gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(base));
  if (filter != nullptr) {
    GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(caps);
    caps = both;
  }
  return caps;
}

static gboolean gst_quarn_ssa_src_is_seekable(GstBaseSrc*) {
  return TRUE;
}

static gboolean gst_quarn_ssa_src_do_seek(GstBaseSrc* base, GstSegment* segment) {
  QuarnSsaSrcState& state = stateOf(base);
  std::lock_guard<std::mutex> guard(state.readLock);
  gst_segment_copy_into(segment, &state.segment);
  // Applied by the next read, which runs once the seek has been committed.
  state.positioned = false;
  return TRUE;
}

namespace {

enum class Next { Entry, End, Failure };

/// Reads the next entry that the segment shows into a buffer; skips entries
/// the reader does not want (comments) and those outside the segment.
Next readBuffer(GstQuarnSsaSrc* self, OpenScript& script, const GstSegment& segment, bool comments,
                GstBuffer** out) {
  for (;;) {
    Quarn::MediaChunk* chunk = nullptr;
    const Quarn::Result result = script.stream->readStream(&chunk);
    if (result == Quarn::ResultOk && chunk == nullptr)
      return Next::End;
    if (result != Quarn::ResultOk) {
      if (chunk != nullptr)
        chunk->release();
      // With the clock at its latest, an entry that is not due never will be.
      if (result == Quarn::ResultUnavailable)
        return Next::End;
      GST_ELEMENT_ERROR(self, STREAM, FAILED, ("Reading the subtitle stream failed"),
                        ("readStream returned %s", QuarnHost::formatResultCode(result).c_str()));
      return Next::Failure;
    }
    const std::uint32_t timestamp = chunk->timestamp;
    const std::uint32_t duration = chunk->duration;
    const unsigned char* data = chunk->lockData();
    const std::string line(QuarnHost::payloadText(data, chunk->length(), chunk->capacity()));
    chunk->unlockData();
    chunk->release();

    const std::size_t place = script.placeOf(timestamp, line);
    const guint64 start = guint64{timestamp} * GST_MSECOND;
    const guint64 end = (guint64{timestamp} + duration) * GST_MSECOND;
    // Reading goes in start-time order: past the segment's far end in the
    // reading direction nothing more can show.
    if (script.direction > 0 && GST_CLOCK_TIME_IS_VALID(segment.stop) && start >= segment.stop)
      return Next::End;
    if (!comments && QuarnGst::eventKind(line) != "Dialogue")
      continue;
    if (!gst_segment_clip(&segment, GST_FORMAT_TIME, start, end, nullptr, nullptr))
      continue;
    const std::string block = QuarnGst::blockPayload(line, script.format, place);
    GstBuffer* buffer = gst_buffer_new_memdup(block.data(), block.size());
    GST_BUFFER_PTS(buffer) = start;
    GST_BUFFER_DURATION(buffer) = guint64{duration} * GST_MSECOND;
    *out = buffer;
    return Next::Entry;
  }
}

/// Whether the base class ends the segment once `buffer` is out: going
/// forward when the buffer reaches the stop, backward when it starts at or
/// before the start. Entries are not contiguous media: others may still
/// belong to the segment then.
bool endsSegment(const GstBuffer* buffer, const GstSegment& segment) {
  if (segment.rate >= 0)
    return GST_CLOCK_TIME_IS_VALID(segment.stop) &&
           GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer) >= segment.stop;
  return GST_BUFFER_PTS(buffer) <= segment.start;
}

}  // namespace

static GstFlowReturn gst_quarn_ssa_src_create(GstPushSrc* push, GstBuffer** out) {
  GstQuarnSsaSrc* self = GST_QUARN_SSA_SRC(push);
  QuarnSsaSrcState& state = stateOf(push);
  bool comments = false;
  {
    std::lock_guard<std::mutex> guard(state.propertiesLock);
    comments = state.properties.comments;
  }
  std::lock_guard<std::mutex> guard(state.readLock);
  OpenScript* script = state.script.get();
  if (script == nullptr)
    return GST_FLOW_FLUSHING;
  if (!state.positioned) {
    position(*script, state.segment);
    state.positioned = true;
  }
  GstBuffer* buffer = nullptr;
  switch (readBuffer(self, *script, state.segment, comments, &buffer)) {
    case Next::End:
      return GST_FLOW_EOS;
    case Next::Failure:
      return GST_FLOW_ERROR;
    case Next::Entry:
      break;
  }
  if (!endsSegment(buffer, state.segment)) {
    *out = buffer;
    return GST_FLOW_OK;
  }
  // The last push of the segment carries every entry still to show.
  GstBufferList* last = gst_buffer_list_new();
  gst_buffer_list_add(last, buffer);
  for (Next next = Next::Entry; next == Next::Entry;) {
    GstBuffer* more = nullptr;
    next = readBuffer(self, *script, state.segment, comments, &more);
    if (next == Next::Failure) {
      gst_buffer_list_unref(last);
      return GST_FLOW_ERROR;
    }
    if (next == Next::Entry)
      gst_buffer_list_add(last, more);
  }
  gst_base_src_submit_buffer_list(GST_BASE_SRC(push), last);
  *out = nullptr;
  return GST_FLOW_OK;
}

static void gst_quarn_ssa_src_set_property(GObject* object, guint id, const GValue* value,
                                           GParamSpec* spec) {
  QuarnSsaSrcState& state = stateOf(object);
  std::lock_guard<std::mutex> guard(state.propertiesLock);
  Properties& p = state.properties;
  auto text = [value] {
    const gchar* s = g_value_get_string(value);
    return std::string(s != nullptr ? s : "");
  };
  switch (id) {
    case kPropertyLocation:
      p.location = text();
      break;
    case kPropertyPlugin:
      p.plugin = text();
      break;
    case kPropertyOverrideEmbedded:
      p.overrideEmbedded = static_cast<OverrideEmbedded>(g_value_get_enum(value));
      break;
    case kPropertyCodepage:
      if (g_value_get_string(value) == nullptr)
        p.codepage.reset();
      else
        p.codepage = text();
      break;
    case kPropertyLanguage:
      p.language = text();
      break;
    case kPropertyComments:
      p.comments = g_value_get_boolean(value);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
  }
}

static void gst_quarn_ssa_src_get_property(GObject* object, guint id, GValue* value,
                                           GParamSpec* spec) {
  QuarnSsaSrcState& state = stateOf(object);
  std::lock_guard<std::mutex> guard(state.propertiesLock);
  const Properties& p = state.properties;
  switch (id) {
    case kPropertyLocation:
      g_value_set_string(value, p.location.empty() ? nullptr : p.location.c_str());
      break;
    case kPropertyPlugin:
      g_value_set_string(value, p.plugin.empty() ? nullptr : p.plugin.c_str());
      break;
    case kPropertyOverrideEmbedded:
      g_value_set_enum(value, p.overrideEmbedded);
      break;
    case kPropertyCodepage:
      g_value_set_string(value, p.codepage ? p.codepage->c_str() : nullptr);
      break;
    case kPropertyLanguage:
      g_value_set_string(value, p.language.c_str());
      break;
    case kPropertyComments:
      g_value_set_boolean(value, p.comments);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
  }
}

static void gst_quarn_ssa_src_finalize(GObject* object) {
  delete GST_QUARN_SSA_SRC(object)->state;
  G_OBJECT_CLASS(gst_quarn_ssa_src_parent_class)->finalize(object);
}

static void gst_quarn_ssa_src_class_init(GstQuarnSsaSrcClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
  GstPushSrcClass* push = GST_PUSH_SRC_CLASS(klass);

  GST_DEBUG_CATEGORY_INIT(quarn_ssa_src_debug, "quarnssasrc", 0, "quarn-ssa script source");

  object->set_property = gst_quarn_ssa_src_set_property;
  object->get_property = gst_quarn_ssa_src_get_property;
  object->finalize = gst_quarn_ssa_src_finalize;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_MUTABLE_READY);
  g_object_class_install_property(
      object, kPropertyLocation,
      g_param_spec_string("location", "Location", "The script: a path or a file URI", nullptr,
                          flags));
  g_object_class_install_property(
      object, kPropertyPlugin,
      g_param_spec_string("plugin", "Plug-in module",
                          "The quarn-ssa module to load (default: the installed plug-in folder, "
                          "then beside this element)",
                          nullptr, flags));
  g_object_class_install_property(
      object, kPropertyOverrideEmbedded,
      g_param_spec_enum("override-embedded", "Override embedded",
                        "The host's answer to CodePage/OverrideEmbedded: false lets a "
                        "byte-order mark decide the encoding",
                        overrideEmbeddedType(), kOverrideUnset, flags));
  g_object_class_install_property(
      object, kPropertyCodepage,
      g_param_spec_string("codepage", "Code page",
                          "The host's answer to CodePage/Name, a converter name such as "
                          "windows-1252 or UTF-16LE (unset: no answer, UTF-8)",
                          nullptr, flags));
  g_object_class_install_property(
      object, kPropertyLanguage,
      g_param_spec_string("language", "Language", "The preferred language, such as en or pt-BR", "",
                          flags));
  g_object_class_install_property(
      object, kPropertyComments,
      g_param_spec_boolean("comments", "Comments",
                           "Push Comment and the other non-Dialogue event lines too", FALSE,
                           flags));

  gst_element_class_set_static_metadata(
      element, "quarn-ssa script source", "Source/File/Subtitle",
      "Reads SSA/ASS subtitle scripts through the quarn-ssa plug-in module",
      "quarn-ssa developers");
  gst_element_class_add_static_pad_template(element, &srcTemplate);

  base->start = gst_quarn_ssa_src_start;
  base->stop = gst_quarn_ssa_src_stop;
  base->get_caps = gst_quarn_ssa_src_get_caps;
  base->is_seekable = gst_quarn_ssa_src_is_seekable;
  base->do_seek = gst_quarn_ssa_src_do_seek;
  push->create = gst_quarn_ssa_src_create;
  gst_type_mark_as_plugin_api(overrideEmbeddedType(), static_cast<GstPluginAPIFlags>(0));
}

static void gst_quarn_ssa_src_init(GstQuarnSsaSrc* self) {
  self->state = new QuarnSsaSrcState();
  gst_segment_init(&self->state->segment, GST_FORMAT_TIME);
  gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
  gst_base_src_set_live(GST_BASE_SRC(self), FALSE);
}

// ---- the URI handler: file URIs ----

static GstURIType gst_quarn_ssa_src_uri_get_type(GType) {
  return GST_URI_SRC;
}

static const gchar* const* gst_quarn_ssa_src_uri_get_protocols(GType) {
  static const gchar* const protocols[] = {"file", nullptr};
  return protocols;
}

static gchar* gst_quarn_ssa_src_uri_get_uri(GstURIHandler* handler) {
  QuarnSsaSrcState& state = stateOf(handler);
  std::lock_guard<std::mutex> guard(state.propertiesLock);
  const std::string& location = state.properties.location;
  if (location.empty())
    return nullptr;
  if (QuarnHost::startsWithUrlScheme(location))
    return g_strdup(location.c_str());
  return g_filename_to_uri(location.c_str(), nullptr, nullptr);
}

static gboolean gst_quarn_ssa_src_uri_set_uri(GstURIHandler* handler, const gchar* uri,
                                              GError** error) {
  gchar* protocol = gst_uri_get_protocol(uri);
  const bool file = protocol != nullptr && g_ascii_strcasecmp(protocol, "file") == 0;
  g_free(protocol);
  if (!file) {
    g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_UNSUPPORTED_PROTOCOL,
                "Only file URIs are supported: %s", uri);
    return FALSE;
  }
  QuarnSsaSrcState& state = stateOf(handler);
  std::lock_guard<std::mutex> guard(state.propertiesLock);
  state.properties.location = uri;
  return TRUE;
}

static void gst_quarn_ssa_src_uri_handler_init(gpointer iface, gpointer) {
  auto* handler = static_cast<GstURIHandlerInterface*>(iface);
  handler->get_type = gst_quarn_ssa_src_uri_get_type;
  handler->get_protocols = gst_quarn_ssa_src_uri_get_protocols;
  handler->get_uri = gst_quarn_ssa_src_uri_get_uri;
  handler->set_uri = gst_quarn_ssa_src_uri_set_uri;
}
