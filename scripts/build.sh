#!/usr/bin/env bash
# Configures and builds Wrenlow in build/ (or $WRENLOW_BUILD_DIR).
# Extra arguments go to CMake's configure step, e.g. -DWRENLOW_SANITIZE=ON.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
