// quarnssasrc: reads an SSA/ASS script through the quarn-ssa plug-in module
// and pushes one buffer per entry, timed by the entry, for GStreamer's
// subtitle renderers.
#pragma once

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_QUARN_SSA_SRC (gst_quarn_ssa_src_get_type())
G_DECLARE_FINAL_TYPE(GstQuarnSsaSrc, gst_quarn_ssa_src, GST, QUARN_SSA_SRC, GstPushSrc)

G_END_DECLS
