// The typefinder for unparsed SSA/ASS scripts. It names them by a media type
// of their own, which no decodebin takes for finished subtitles, so that the
// parser element is plugged for them instead of the file going to a renderer
// whole. docs/gstreamer.md explains the choice.
#pragma once

#include <gst/gst.h>

namespace QuarnGst {

/// The media type of a script's bytes as they are in the file.
constexpr char kScriptMediaType[] = "application/x-quarn-ssa-script";

/// Every caps the typefinder suggests: the media type with `variant` "ass"
/// for a v4.00+ script, "ssa" for v4. A string field `encoding`, the
/// converter name of the text's encoding, is added when the first bytes
/// show it (a byte-order mark, or UTF-16 without one). The parser's sink
/// template takes these caps: GST_STATIC_CAPS(kScriptCaps).
constexpr char kScriptCaps[] = "application/x-quarn-ssa-script, variant = (string) { ass, ssa }";

/// Registers the typefinder "quarnssa_typefind" with `plugin`, ranked above
/// GStreamer's own SSA/ASS typefinder so that it judges these files first.
gboolean registerScriptTypeFind(GstPlugin* plugin);

}  // namespace QuarnGst
