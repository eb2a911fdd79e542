#!/usr/bin/env bash
# Help pages through the its: scheme handler against the same files
# extracted on disk through file:, in one web view: every page of the
# libstdc++ help file (bench/make_big_chm.sh), pages/s and requests/s, and
# the largest page's load and layout time. Needs an X display (or runs on
# the offscreen platform).
# usage: pages_bench.sh [BUILD_DIR] [WORKDIR]   (BENCH_PASSES, BENCH_RUNS, and
# BENCH_SAMPLE=N for a sample of about N pages, every n-th one)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BENCH_DIR:-$top/build-bench-gui}}
work=${2:-$(mktemp -d)}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENLOW_BENCH=ON \
  -DWRENLOW_GUI=ON -DWRENLOW_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_pages -j2 >/dev/null
big=$build/bench-libstdcxx.chm
[ -f "$big" ] || "$top/bench/make_big_chm.sh" "$big" "$work/make"
rm -rf "$work/extracted"
mkdir -p "$work/extracted"
extract_chmLib "$big" "$work/extracted" >/dev/null
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
"$build/bench/bench_pages" "$big" "$work/extracted" "${BENCH_PASSES:-2}" "${BENCH_RUNS:-7}" "${BENCH_SAMPLE:-0}"
