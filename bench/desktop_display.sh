# Sourced by the GUI benchmarks and picture scripts: starts Xvfb on display
# :$1 with openbox, exports the display and the web engine's settings, and
# stops both on exit (after running $2, a cleanup command, if given).
start_desktop() {
  export DISPLAY=:$1 QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
  Xvfb "$DISPLAY" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  desktop_xvfb=$!
  sleep 2
  openbox >/dev/null 2>&1 &
  desktop_wm=$!
  trap "kill \$desktop_wm \$desktop_xvfb 2>/dev/null || true; ${2:-true}" EXIT
  sleep 1
}
