#include "QuarnSsaParse.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <rules/FileUrl.h>

#include "ElementProperties.h"
#include "ScratchScript.h"
#include "ScriptReader.h"
#include "ScriptTypeFind.h"
#include "SourceLocation.h"

GST_DEBUG_CATEGORY_STATIC(quarn_ssa_parse_debug);
#define GST_CAT_DEFAULT quarn_ssa_parse_debug

namespace {

/// Where the script comes from, decided on its first bytes.
enum class Source {
  Undecided,
  UpstreamFile,  // upstream reads a local file: the plug-in opens that
  Collected,     // the bytes are collected into a temporary file
};

}  // namespace

/// The element's C++ state, kept apart from the GObject instance struct.
struct QuarnSsaParseState {
  QuarnGst::ElementSettings settings;

  /// Guards everything below. Taken by the streaming threads of both pads
  /// and by seeks, never while a buffer or event is pushed.
  std::mutex lock;
  Source source = Source::Undecided;
  /// The extension a collected script's file gets.
  std::string extension = ".ass";
  /// The collected script's file, once upstream turned out to read none.
  std::unique_ptr<QuarnGst::ScratchScript> scratch;
  std::unique_ptr<QuarnGst::ScriptReader> script;
  GstSegment segment;
  bool positioned = false;
  bool needCaps = true;
  bool needSegment = true;
  guint32 seqnum = 0;
};

struct _GstQuarnSsaParse {
  GstElement parent;
  GstPad* sinkpad;
  GstPad* srcpad;
  QuarnSsaParseState* state;
};

G_DEFINE_TYPE(GstQuarnSsaParse, gst_quarn_ssa_parse, GST_TYPE_ELEMENT)

static GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(QuarnGst::kScriptCaps));
static GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("application/x-ass; application/x-ssa"));

static void gst_quarn_ssa_parse_loop(gpointer data);

namespace {

QuarnSsaParseState& stateOf(gpointer object) {
  return *GST_QUARN_SSA_PARSE(object)->state;
}

/// The local path of upstream's file when upstream reads one and `first`
/// are its first bytes: a demuxer or a filter upstream may answer with the
/// URI of a file that holds more than this script.
std::string upstreamFile(GstPad* sinkpad, GstBuffer* first) {
  GstQuery* query = gst_query_new_uri();
  gchar* uri = nullptr;
  if (gst_pad_peer_query(sinkpad, query))
    gst_query_parse_uri(query, &uri);
  gst_query_unref(query);
  std::string path;
  const bool local =
      uri != nullptr && Quarn::decodeFileUrl(uri, path) == Quarn::FileUrlProblem::None;
  g_free(uri);
  if (!local || (GST_BUFFER_OFFSET_IS_VALID(first) && GST_BUFFER_OFFSET(first) != 0))
    return {};
  GstMapInfo map;
  if (!gst_buffer_map(first, &map, GST_MAP_READ))
    return {};
  const std::size_t count = std::min<std::size_t>(map.size, 4096);
  std::vector<char> head(count);
  std::ifstream file(path, std::ios::binary);
  file.read(head.data(), static_cast<std::streamsize>(count));
  const bool same = file.gcount() == static_cast<std::streamsize>(count) &&
                    std::memcmp(head.data(), map.data, count) == 0;
  gst_buffer_unmap(first, &map);
  return same ? path : std::string();
}

/// Opens the script at `path` and starts pushing it.
bool openScript(GstQuarnSsaParse* self, QuarnSsaParseState& state, const std::string& path) {
  const std::string location = QuarnHost::sourceToLocation(path, "/");
  state.script =
      QuarnGst::ScriptReader::open(GST_ELEMENT(self), state.settings.snapshot(), location);
  if (!state.script)
    return false;
  GST_INFO_OBJECT(self, "reading %s", location.c_str());
  return gst_pad_start_task(self->srcpad, gst_quarn_ssa_parse_loop, self, nullptr);
}

/// Posts a failure to keep the script's bytes.
void postWriteFailure(GstQuarnSsaParse* self, const std::string& error) {
  GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("Cannot keep the script for the plug-in to read"),
                    ("%s", error.c_str()));
}

}  // namespace

// ---- the sink pad: the script's bytes ----

static GstFlowReturn gst_quarn_ssa_parse_chain(GstPad* pad, GstObject* parent, GstBuffer* buffer) {
  GstQuarnSsaParse* self = GST_QUARN_SSA_PARSE(parent);
  QuarnSsaParseState& state = stateOf(parent);
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.source == Source::Undecided) {
    const std::string path = upstreamFile(pad, buffer);
    if (!path.empty()) {
      state.source = Source::UpstreamFile;
      const bool opened = openScript(self, state, path);
      gst_buffer_unref(buffer);
      // Upstream need not read any further: the plug-in reads the file.
      return opened ? GST_FLOW_EOS : GST_FLOW_ERROR;
    }
    std::string error;
    state.source = Source::Collected;
    state.scratch = std::make_unique<QuarnGst::ScratchScript>();
    if (!state.scratch->create(state.extension, error)) {
      gst_buffer_unref(buffer);
      postWriteFailure(self, error);
      return GST_FLOW_ERROR;
    }
    GST_INFO_OBJECT(self, "collecting the script in %s", state.scratch->path().c_str());
  }
  if (state.source == Source::UpstreamFile) {
    gst_buffer_unref(buffer);
    return GST_FLOW_EOS;
  }
  GstMapInfo map;
  std::string error;
  bool written = false;
  if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    written = state.scratch->created() && state.scratch->append(map.data, map.size, error);
    gst_buffer_unmap(buffer, &map);
  } else {
    error = "cannot read a buffer from upstream";
  }
  gst_buffer_unref(buffer);
  if (!written) {
    postWriteFailure(self, error);
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

static gboolean gst_quarn_ssa_parse_sink_event(GstPad*, GstObject* parent, GstEvent* event) {
  GstQuarnSsaParse* self = GST_QUARN_SSA_PARSE(parent);
  QuarnSsaParseState& state = stateOf(parent);
  switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_STREAM_START:
      // Its stream id and group go downstream with the entries.
      return gst_pad_push_event(self->srcpad, event);
    case GST_EVENT_CAPS: {
      GstCaps* caps = nullptr;
      gst_event_parse_caps(event, &caps);
      const GstStructure* s = gst_caps_get_structure(caps, 0);
      const gchar* variant = gst_structure_get_string(s, "variant");
      {
        std::lock_guard<std::mutex> guard(state.lock);
        state.extension = variant != nullptr && std::strcmp(variant, "ssa") == 0 ? ".ssa" : ".ass";
      }
      gst_event_unref(event);
      return TRUE;
    }
    case GST_EVENT_EOS: {
      // The end of upstream's bytes is the start of the script's entries.
      std::lock_guard<std::mutex> guard(state.lock);
      if (state.source == Source::UpstreamFile || state.script) {
        gst_event_unref(event);
        return TRUE;
      }
      // Nothing came at all: an empty file, which the plug-in refuses
      // with its reason.
      std::string error;
      if (!state.scratch) {
        state.scratch = std::make_unique<QuarnGst::ScratchScript>();
        state.scratch->create(state.extension, error);
      }
      state.source = Source::Collected;
      const bool ready = state.scratch->created() && state.scratch->finish(error);
      if (!ready) {
        postWriteFailure(self, error);
      } else if (!openScript(self, state, state.scratch->path())) {
        // The refusal is posted; downstream learns that nothing follows.
        gst_pad_push_event(self->srcpad, gst_event_new_eos());
      }
      gst_event_unref(event);
      return TRUE;
    }
    default:
      // Upstream's segments, flushes and the like concern its bytes, not
      // the entries this element times itself.
      gst_event_unref(event);
      return TRUE;
  }
}

// ---- the source pad: the entries ----

static gboolean gst_quarn_ssa_parse_seek(GstQuarnSsaParse* self, GstEvent* event) {
  QuarnSsaParseState& state = stateOf(self);
  gdouble rate = 1.0;
  GstFormat format = GST_FORMAT_UNDEFINED;
  GstSeekFlags flags = GST_SEEK_FLAG_NONE;
  GstSeekType startType = GST_SEEK_TYPE_NONE;
  GstSeekType stopType = GST_SEEK_TYPE_NONE;
  gint64 start = 0;
  gint64 stop = 0;
  gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
  const guint32 seqnum = gst_event_get_seqnum(event);
  gst_event_unref(event);
  {
    std::lock_guard<std::mutex> guard(state.lock);
    if (format != GST_FORMAT_TIME || !state.script)
      return FALSE;
  }
  const bool flush = (flags & GST_SEEK_FLAG_FLUSH) != 0;
  if (flush) {
    GstEvent* flushStart = gst_event_new_flush_start();
    gst_event_set_seqnum(flushStart, seqnum);
    gst_pad_push_event(self->srcpad, flushStart);
  } else {
    gst_pad_pause_task(self->srcpad);
  }
  // Waits for the loop to stand still.
  GST_PAD_STREAM_LOCK(self->srcpad);
  {
    std::lock_guard<std::mutex> guard(state.lock);
    state.segment.duration = state.script->duration();
    gst_segment_do_seek(&state.segment, rate, format, flags, startType, start, stopType, stop,
                        nullptr);
    // Played backwards, a segment needs an end to count its running time
    // from: the script's.
    if (state.segment.rate < 0 && !GST_CLOCK_TIME_IS_VALID(state.segment.stop))
      state.segment.stop = state.segment.duration;
    state.positioned = false;
    state.needSegment = true;
    state.seqnum = seqnum;
  }
  if (flush) {
    GstEvent* flushStop = gst_event_new_flush_stop(TRUE);
    gst_event_set_seqnum(flushStop, seqnum);
    gst_pad_push_event(self->srcpad, flushStop);
  }
  gst_pad_start_task(self->srcpad, gst_quarn_ssa_parse_loop, self, nullptr);
  GST_PAD_STREAM_UNLOCK(self->srcpad);
  return TRUE;
}

static gboolean gst_quarn_ssa_parse_src_event(GstPad* pad, GstObject* parent, GstEvent* event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_SEEK)
    return gst_quarn_ssa_parse_seek(GST_QUARN_SSA_PARSE(parent), event);
  return gst_pad_event_default(pad, parent, event);
}

static gboolean gst_quarn_ssa_parse_src_query(GstPad* pad, GstObject* parent, GstQuery* query) {
  QuarnSsaParseState& state = stateOf(parent);
  switch (GST_QUERY_TYPE(query)) {
    case GST_QUERY_DURATION: {
      GstFormat format;
      gst_query_parse_duration(query, &format, nullptr);
      std::lock_guard<std::mutex> guard(state.lock);
      if (format != GST_FORMAT_TIME || !state.script)
        return FALSE;
      gst_query_set_duration(query, GST_FORMAT_TIME, static_cast<gint64>(state.script->duration()));
      return TRUE;
    }
    case GST_QUERY_SEEKING: {
      GstFormat format;
      gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
      std::lock_guard<std::mutex> guard(state.lock);
      if (format != GST_FORMAT_TIME)
        return FALSE;
      const bool open = state.script != nullptr;
      gst_query_set_seeking(query, GST_FORMAT_TIME, open, 0,
                            open ? static_cast<gint64>(state.script->duration()) : -1);
      return TRUE;
    }
    case GST_QUERY_CAPS: {
      GstCaps* filter = nullptr;
      gst_query_parse_caps(query, &filter);
      GstCaps* caps = nullptr;
      {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.script)
          caps = gst_caps_ref(state.script->caps());
      }
      if (caps == nullptr)
        caps = gst_pad_get_pad_template_caps(pad);
      if (filter != nullptr) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
      }
      gst_query_set_caps_result(query, caps);
      gst_caps_unref(caps);
      return TRUE;
    }
    default:
      return gst_pad_query_default(pad, parent, query);
  }
}

static gboolean gst_quarn_ssa_parse_src_activate_mode(GstPad* pad, GstObject*, GstPadMode mode,
                                                      gboolean active) {
  if (mode != GST_PAD_MODE_PUSH)
    return FALSE;
  return active || gst_pad_stop_task(pad);
}

// One entry a turn: the events that go before the first, then the entry,
// and EOS after the last one the segment shows.
static void gst_quarn_ssa_parse_loop(gpointer data) {
  GstQuarnSsaParse* self = GST_QUARN_SSA_PARSE(data);
  QuarnSsaParseState& state = *self->state;
  const bool comments = state.settings.snapshot().comments;
  std::vector<GstEvent*> events;
  GstBuffer* buffer = nullptr;
  QuarnGst::Next next = QuarnGst::Next::End;
  guint32 seqnum = 0;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.script) {
      gst_pad_pause_task(self->srcpad);
      return;
    }
    // Upstream's stream start goes on as it is; without one the entries
    // get their own.
    if (GstEvent* started = gst_pad_get_sticky_event(self->srcpad, GST_EVENT_STREAM_START, 0)) {
      gst_event_unref(started);
    } else {
      gchar* id = gst_pad_create_stream_id(self->srcpad, GST_ELEMENT(self), nullptr);
      events.push_back(gst_event_new_stream_start(id));
      g_free(id);
    }
    if (state.needCaps) {
      events.push_back(gst_event_new_caps(state.script->caps()));
      state.needCaps = false;
    }
    if (state.needSegment) {
      GstEvent* segment = gst_event_new_segment(&state.segment);
      if (state.seqnum != 0)
        gst_event_set_seqnum(segment, state.seqnum);
      events.push_back(segment);
      state.needSegment = false;
    }
    if (!state.positioned) {
      state.script->position(state.segment);
      state.positioned = true;
    }
    next = state.script->read(GST_ELEMENT(self), state.segment, comments, &buffer);
    seqnum = state.seqnum;
  }
  for (GstEvent* event : events)
    gst_pad_push_event(self->srcpad, event);

  if (next == QuarnGst::Next::Entry) {
    const GstFlowReturn flow = gst_pad_push(self->srcpad, buffer);
    if (flow == GST_FLOW_OK)
      return;
    GST_DEBUG_OBJECT(self, "pausing: %s", gst_flow_get_name(flow));
    gst_pad_pause_task(self->srcpad);
    if (flow == GST_FLOW_FLUSHING || flow == GST_FLOW_EOS)
      return;
    if (flow == GST_FLOW_NOT_LINKED || flow < GST_FLOW_EOS)
      GST_ELEMENT_FLOW_ERROR(self, flow);
  } else {
    gst_pad_pause_task(self->srcpad);
  }
  // The end of the segment, a failure already posted, or a flow error.
  GstEvent* eos = gst_event_new_eos();
  if (seqnum != 0)
    gst_event_set_seqnum(eos, seqnum);
  gst_pad_push_event(self->srcpad, eos);
}

// ---- the element ----

static GstStateChangeReturn gst_quarn_ssa_parse_change_state(GstElement* element,
                                                             GstStateChange transition) {
  QuarnSsaParseState& state = stateOf(element);
  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
    std::lock_guard<std::mutex> guard(state.lock);
    gst_segment_init(&state.segment, GST_FORMAT_TIME);
    state.positioned = false;
    state.needCaps = true;
    state.needSegment = true;
    state.seqnum = 0;
  }
  const GstStateChangeReturn result =
      GST_ELEMENT_CLASS(gst_quarn_ssa_parse_parent_class)->change_state(element, transition);
  if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
    // The pads are inactive and the loop stopped: the script, its module and
    // any collected file go.
    std::lock_guard<std::mutex> guard(state.lock);
    state.script.reset();
    state.scratch.reset();
    state.source = Source::Undecided;
    state.extension = ".ass";
  }
  return result;
}

static void gst_quarn_ssa_parse_set_property(GObject* object, guint id, const GValue* value,
                                             GParamSpec* spec) {
  stateOf(object).settings.set(object, id, value, spec);
}

static void gst_quarn_ssa_parse_get_property(GObject* object, guint id, GValue* value,
                                             GParamSpec* spec) {
  stateOf(object).settings.get(object, id, value, spec);
}

static void gst_quarn_ssa_parse_finalize(GObject* object) {
  delete GST_QUARN_SSA_PARSE(object)->state;
  G_OBJECT_CLASS(gst_quarn_ssa_parse_parent_class)->finalize(object);
}

static void gst_quarn_ssa_parse_class_init(GstQuarnSsaParseClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  GST_DEBUG_CATEGORY_INIT(quarn_ssa_parse_debug, "quarnssaparse", 0, "quarn-ssa script parser");
  object->set_property = gst_quarn_ssa_parse_set_property;
  object->get_property = gst_quarn_ssa_parse_get_property;
  object->finalize = gst_quarn_ssa_parse_finalize;
  QuarnGst::installProperties(object, false);
  gst_element_class_set_static_metadata(
      element, "quarn-ssa script parser", "Codec/Parser/Subtitle",
      "Reads SSA/ASS subtitle scripts through the quarn-ssa plug-in module",
      "quarn-ssa developers");
  gst_element_class_add_static_pad_template(element, &sinkTemplate);
  gst_element_class_add_static_pad_template(element, &srcTemplate);
  element->change_state = gst_quarn_ssa_parse_change_state;
}

static void gst_quarn_ssa_parse_init(GstQuarnSsaParse* self) {
  self->state = new QuarnSsaParseState();
  gst_segment_init(&self->state->segment, GST_FORMAT_TIME);
  self->sinkpad = gst_pad_new_from_static_template(&sinkTemplate, "sink");
  gst_pad_set_chain_function(self->sinkpad, gst_quarn_ssa_parse_chain);
  gst_pad_set_event_function(self->sinkpad, gst_quarn_ssa_parse_sink_event);
  gst_element_add_pad(GST_ELEMENT(self), self->sinkpad);
  self->srcpad = gst_pad_new_from_static_template(&srcTemplate, "src");
  gst_pad_set_event_function(self->srcpad, gst_quarn_ssa_parse_src_event);
  gst_pad_set_query_function(self->srcpad, gst_quarn_ssa_parse_src_query);
  gst_pad_set_activatemode_function(self->srcpad, gst_quarn_ssa_parse_src_activate_mode);
  gst_pad_use_fixed_caps(self->srcpad);
  gst_element_add_pad(GST_ELEMENT(self), self->srcpad);
}
