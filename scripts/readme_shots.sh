#!/usr/bin/env bash
# Makes the README's pictures (doc/screenshot.png: the main window with its
# start page; doc/viewer.png: the viewer on a Simplified Chinese help file of
# the corpus) from the GUI tests' picture cases, on an X display of its own
# with a window manager (openbox, when installed) so that the windows carry
# their frames. Usage: scripts/readme_shots.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BUILD_DIR:-$top/build}
command -v convert >/dev/null || { echo "needs ImageMagick's convert (apt-get install imagemagick)" >&2; exit 1; }
cmake --build "$build" --target help_gui_test viewer_dlg_test help_file
shots=$(mktemp -d)
# A display number of its own: the server picks a free one.
Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp -noreset 5>"$shots/display" >/dev/null 2>&1 &
xvfb=$!
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$shots"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$shots/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$shots/display")" WRENLOW_SHOT_DIR="$shots"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
fi
"$build/tests/app/help_gui_test" --gtest_filter=HelpGui.Screenshots >/dev/null
"$build/tests/viewer/viewer_dlg_test" --gtest_filter=ViewerGui.ReadmePicture >/dev/null
# A palette of 256 colours keeps these flat window pictures small.
small() { convert "$1" -strip -colors 256 -define png:compression-level=9 "PNG8:$2"; }
small "$shots/main_start_page.png" "$top/doc/screenshot.png"
small "$shots/readme-viewer.png" "$top/doc/viewer.png"
ls -l "$top/doc/screenshot.png" "$top/doc/viewer.png"
