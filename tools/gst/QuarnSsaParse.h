// quarnssaparse: takes an SSA/ASS script's bytes from upstream (a file
// source, an HTTP source, a demuxer), has the quarn-ssa plug-in module read
// the script, and pushes the same timed blocks as quarnssasrc, so that
// decodebin and playbin play a script by themselves.
#pragma once

#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_QUARN_SSA_PARSE (gst_quarn_ssa_parse_get_type())
G_DECLARE_FINAL_TYPE(GstQuarnSsaParse, gst_quarn_ssa_parse, GST, QUARN_SSA_PARSE, GstElement)

G_END_DECLS
