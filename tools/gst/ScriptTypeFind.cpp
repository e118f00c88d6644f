#include "ScriptTypeFind.h"

#include <string>

#include "ScriptSniff.h"

namespace QuarnGst {
namespace {

// GStreamer's own SSA/ASS typefinder has rank secondary and claims these
// files with the maximum probability; the helper stops at the first
// maximum, in rank order, so ours must come before it.
constexpr guint kRank = GST_RANK_PRIMARY + 1;

GstStaticCaps possibleCaps = GST_STATIC_CAPS(kScriptCaps);

void findScript(GstTypeFind* find, gpointer) {
  // The first bytes, or the whole file when it is shorter. A stream of
  // unknown length may be shorter too: fewer bytes are asked for then.
  const guint64 length = gst_type_find_get_length(find);
  guint size = static_cast<guint>(kSniffLength);
  if (length > 0 && length < size)
    size = static_cast<guint>(length);
  const guint8* data = gst_type_find_peek(find, 0, size);
  while (data == nullptr && size > 1) {
    size /= 2;
    data = gst_type_find_peek(find, 0, size);
  }
  if (data == nullptr)
    return;

  const std::optional<ScriptSniff> script = sniffScript(data, size);
  if (!script)
    return;
  GstCaps* caps =
      gst_caps_new_simple(kScriptMediaType, "variant", G_TYPE_STRING,
                          script->variant == ScriptVariant::Ass ? "ass" : "ssa", nullptr);
  if (!script->encoding.empty()) {
    const std::string encoding(script->encoding);
    gst_caps_set_simple(caps, "encoding", G_TYPE_STRING, encoding.c_str(), nullptr);
  }
  gst_type_find_suggest(find, GST_TYPE_FIND_MAXIMUM, caps);
  gst_caps_unref(caps);
}

}  // namespace

gboolean registerScriptTypeFind(GstPlugin* plugin) {
  GstCaps* possible = gst_static_caps_get(&possibleCaps);
  const gboolean registered = gst_type_find_register(plugin, "quarnssa_typefind", kRank, findScript,
                                                     "ass,ssa", possible, nullptr, nullptr);
  gst_caps_unref(possible);
  return registered;
}

}  // namespace QuarnGst
