#!/usr/bin/env bash
# Decompile of the large documentation CHM against 7zz x and extract_chmLib,
# in turn, on the same output file system: wall and CPU (user + system)
# seconds of each, and the ratios of ours to each peer (bench/paired_time.py).
# usage: bench/decompile_bench.sh [CLI] [BIG.chm]
# CLI defaults to build-bench's wrenlow-cli (built here when missing); the
# big file is made by bench/make_big_chm.sh when it does not exist.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BENCH_DIR:-$top/build-bench}
runs=${BENCH_RUNS:-7}
cli=${1:-$build/src/cli/wrenlow-cli}
big=${2:-$build/bench-libstdcxx.chm}
if [ ! -x "$cli" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENLOW_GUI=OFF \
    -DWRENLOW_TESTS=OFF >/dev/null
  cmake --build "$build" --target wrenlow-cli -j2 >/dev/null
fi
[ -f "$big" ] || "$top/bench/make_big_chm.sh" "$big" "$build/bench-work"
cli=$(realpath "$cli")
big=$(realpath "$big")
outroot=${BENCH_OUT:-}
if [ -z "$outroot" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then outroot=$(mktemp -d /dev/shm/wldecomp.XXXXXX)
  else outroot=$(mktemp -d); fi
fi
trap 'rm -rf "$outroot"' EXIT

echo "decompile $(basename "$big") ($(stat -c %s "$big") bytes) into $outroot"
python3 "$top/bench/paired_time.py" --runs "$runs" --fresh "$outroot" \
  "decompile=$cli decompile '$big' ." \
  "7zz=7zz x -y '$big'" \
  "extract_chmLib=extract_chmLib '$big' ."
python3 "$top/bench/paired_time.py" --runs "$runs" --fresh "$outroot" \
  "decompile-noproj=$cli decompile '$big' . --no-project" \
  "7zz=7zz x -y '$big'"
