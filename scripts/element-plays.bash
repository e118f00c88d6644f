# What scripts/check-install and scripts/check-package ask of an installed or
# unpacked GStreamer plug-in, sourced by both.
#
#   element_plays PLUGIN_DIR WORK SCRIPT
#
# Succeeds when the plug-in in PLUGIN_DIR finds its module by itself and
# reads SCRIPT both ways a user meets: quarnssasrc named in a pipeline, and
# uridecodebin plugging the typefinder and quarnssaparse on its own. Says
# what failed on standard error otherwise.
element_plays() {
  local dir=$1 work=$2 script=$3
  export GST_PLUGIN_PATH=$dir GST_REGISTRY=$work/gst-registry.bin
  if ! gst-launch-1.0 -q quarnssasrc location="$script" ! fakesink >"$work/gst.log" 2>&1; then
    cat "$work/gst.log" >&2
    echo "quarnssasrc could not play $script" >&2
    return 1
  fi
  if ! GST_DEBUG=quarnssaparse:4 GST_DEBUG_NO_COLOR=1 gst-launch-1.0 -q uridecodebin \
    uri="file://$script" caps="application/x-ass;application/x-ssa" ! fakesink \
    >"$work/gst.log" 2>&1 || ! grep -q 'quarnssaparse.*reading file://' "$work/gst.log"; then
    cat "$work/gst.log" >&2
    echo "uridecodebin did not read $script through quarnssaparse" >&2
    return 1
  fi
}
