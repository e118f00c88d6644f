# The scratch folder of scripts/check-install and scripts/check-package,
# sourced by both. It never lies inside the build folder: the tests point
# GST_PLUGIN_PATH at the build folder, GStreamer searches it recursively,
# and a copy of the element in an installed or unpacked tree there would be
# loaded instead of the one just built.
#
#   open_work_folder NAME BUILD_DIR [WORK_DIR]
#
# Sets $work. Without WORK_DIR it is a fresh folder under ${TMPDIR:-/tmp},
# removed when the check passes and kept, its path on standard error, when it
# fails. A WORK_DIR given is emptied first and kept.
open_work_folder() {
  local name=$1 build given=${3:-}
  build=$(realpath -e "$2")
  if [[ -z "$given" ]]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
    work_folder_owner=$name
    trap 'close_work_folder $?' EXIT
    return
  fi
  given=$(realpath -m "$given")
  # Emptying a folder that holds the build, or lies in it, is refused.
  if [[ "$given/" == "$build/"* || "$build/" == "$given/"* ]]; then
    echo "$name: the work folder $given must lie outside the build folder $build" >&2
    exit 2
  fi
  rm -rf "$given"
  mkdir -p "$given"
  work=$given
}

close_work_folder() {
  if [[ $1 -eq 0 ]]; then
    rm -rf "$work"
  else
    echo "$work_folder_owner: failed; its work folder is kept for inspection: $work" >&2
  fi
}
