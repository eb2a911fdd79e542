#!/usr/bin/env bash
# Builds and starts the program; arguments are passed to it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" -DWRENLOW_TESTS=OFF
exec "${WRENLOW_BUILD_DIR:-$top/build}/src/app/wrenlow" "$@"
