#include "QuarnSsaSrc.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ElementProperties.h"
#include "ScriptReader.h"
#include "SourceLocation.h"

GST_DEBUG_CATEGORY_STATIC(quarn_ssa_src_debug);
#define GST_CAT_DEFAULT quarn_ssa_src_debug

/// The element's C++ state, kept apart from the GObject instance struct.
struct QuarnSsaSrcState {
  QuarnGst::ElementSettings settings;

  /// Guards everything below; held by reads and seeks, and by start and stop
  /// while they put the script in place or take it away.
  std::mutex readLock;
  std::unique_ptr<QuarnGst::ScriptReader> script;
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

}  // namespace

static gboolean gst_quarn_ssa_src_start(GstBaseSrc* base) {
  GstQuarnSsaSrc* self = GST_QUARN_SSA_SRC(base);
  QuarnSsaSrcState& state = stateOf(base);
  const QuarnGst::Properties properties = state.settings.snapshot();
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

  std::unique_ptr<QuarnGst::ScriptReader> script =
      QuarnGst::ScriptReader::open(GST_ELEMENT(self), properties, location);
  if (!script)
    return FALSE;
  GST_OBJECT_LOCK(self);
  base->segment.duration = script->duration();
  GST_OBJECT_UNLOCK(self);

  std::lock_guard<std::mutex> guard(state.readLock);
  state.script = std::move(script);
  state.positioned = false;
  return TRUE;
}

static gboolean gst_quarn_ssa_src_stop(GstBaseSrc* base) {
  QuarnSsaSrcState& state = stateOf(base);
  std::unique_ptr<QuarnGst::ScriptReader> script;
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
    if (state.script && state.script->caps() != nullptr)
      caps = gst_caps_ref(state.script->caps());
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

static GstFlowReturn gst_quarn_ssa_src_create(GstPushSrc* push, GstBuffer** out) {
  GstQuarnSsaSrc* self = GST_QUARN_SSA_SRC(push);
  QuarnSsaSrcState& state = stateOf(push);
  const bool comments = state.settings.snapshot().comments;
  std::lock_guard<std::mutex> guard(state.readLock);
  QuarnGst::ScriptReader* script = state.script.get();
  if (script == nullptr)
    return GST_FLOW_FLUSHING;
  if (!state.positioned) {
    script->position(state.segment);
    state.positioned = true;
  }
  GstBuffer* buffer = nullptr;
  switch (script->read(GST_ELEMENT(self), state.segment, comments, &buffer)) {
    case QuarnGst::Next::End:
      return GST_FLOW_EOS;
    case QuarnGst::Next::Failure:
      return GST_FLOW_ERROR;
    case QuarnGst::Next::Entry:
      break;
  }
  if (!QuarnGst::endsSegment(buffer, state.segment)) {
    *out = buffer;
    return GST_FLOW_OK;
  }
  // The last push of the segment carries every entry still to show.
  GstBufferList* last = gst_buffer_list_new();
  gst_buffer_list_add(last, buffer);
  for (QuarnGst::Next next = QuarnGst::Next::Entry; next == QuarnGst::Next::Entry;) {
    GstBuffer* more = nullptr;
    next = script->read(GST_ELEMENT(self), state.segment, comments, &more);
    if (next == QuarnGst::Next::Failure) {
      gst_buffer_list_unref(last);
      return GST_FLOW_ERROR;
    }
    if (next == QuarnGst::Next::Entry)
      gst_buffer_list_add(last, more);
  }
  gst_base_src_submit_buffer_list(GST_BASE_SRC(push), last);
  *out = nullptr;
  return GST_FLOW_OK;
}

static void gst_quarn_ssa_src_set_property(GObject* object, guint id, const GValue* value,
                                           GParamSpec* spec) {
  stateOf(object).settings.set(object, id, value, spec);
}

static void gst_quarn_ssa_src_get_property(GObject* object, guint id, GValue* value,
                                           GParamSpec* spec) {
  stateOf(object).settings.get(object, id, value, spec);
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
  QuarnGst::installProperties(object, true);

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
  gst_type_mark_as_plugin_api(QuarnGst::overrideEmbeddedType(), static_cast<GstPluginAPIFlags>(0));
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
  const std::string location = stateOf(handler).settings.location();
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
  stateOf(handler).settings.setLocation(uri);
  return TRUE;
}

static void gst_quarn_ssa_src_uri_handler_init(gpointer iface, gpointer) {
  auto* handler = static_cast<GstURIHandlerInterface*>(iface);
  handler->get_type = gst_quarn_ssa_src_uri_get_type;
  handler->get_protocols = gst_quarn_ssa_src_uri_get_protocols;
  handler->get_uri = gst_quarn_ssa_src_uri_get_uri;
  handler->set_uri = gst_quarn_ssa_src_uri_set_uri;
}
