#!/usr/bin/env bash
# Builds everything and runs every test. GUI tests get an Xvfb display that this
# script starts and stops itself. With --sanitize the build and the run use
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/), with --tsan
# ThreadSanitizer (in build-tsan/). Further arguments go to ctest, e.g.
# `scripts/test.sh --tsan -R 'itss_read|decompile_corpus'`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  export WRENLOW_BUILD_DIR=${WRENLOW_BUILD_DIR:-$top/build-asan}
  extra+=(-DWRENLOW_SANITIZE=ON)
  shift
elif [ "${1:-}" = "--tsan" ]; then
  export WRENLOW_BUILD_DIR=${WRENLOW_BUILD_DIR:-$top/build-tsan}
  # Qt's own libraries are not instrumented: without the GUI the run reports
  # only what our code does.
  extra+=(-DWRENLOW_TSAN=ON -DWRENLOW_GUI=OFF)
  # A report is a failure; second_deadlock_stack names both lock orders.
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}
  shift
fi
build=${WRENLOW_BUILD_DIR:-$top/build}
"$top/scripts/build.sh" -DWRENLOW_TESTS=ON -DWRENLOW_WERROR=ON "${extra[@]}"

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
# -noreset: an X server that has lost its last client resets itself, and a
# test connecting during that reset fails for no fault of its own.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 "$@"
