// libgstquarnssa.so: the GStreamer plug-in that registers quarnssasrc and quarnssaparse.
#include <gst/gst.h>

#include "QuarnSsaParse.h"
#include "QuarnSsaSrc.h"
#include "ScriptTypeFind.h"

#ifndef QUARN_GST_VERSION
#define QUARN_GST_VERSION "0"
#endif
#define PACKAGE "quarn-ssa"

static gboolean plugin_init(GstPlugin* plugin) {
  if (!QuarnGst::registerScriptTypeFind(plugin))
    return FALSE;
  return gst_element_register(plugin, "quarnssasrc", GST_RANK_NONE, GST_TYPE_QUARN_SSA_SRC) &&
         gst_element_register(plugin, "quarnssaparse", GST_RANK_PRIMARY, GST_TYPE_QUARN_SSA_PARSE);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, quarnssa,
                  "SSA/ASS subtitle scripts through the quarn-ssa plug-in module", plugin_init,
                  QUARN_GST_VERSION, GST_LICENSE_UNKNOWN, "quarn-ssa", "Unknown package origin")
