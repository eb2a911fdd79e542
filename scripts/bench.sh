#!/usr/bin/env bash
# Benchmarks, each against other programs on the same input in one run.
# Builds with -DWRENLOW_BENCH=ON in build-bench/ (or $WRENLOW_BENCH_DIR).
# Output goes to $BENCH_OUT (default /dev/shm when it exists, else a temp dir).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BENCH_DIR:-$top/build-bench}
runs=${BENCH_RUNS:-7}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENLOW_BENCH=ON \
  -DWRENLOW_GUI=OFF -DWRENLOW_TESTS=OFF >/dev/null
cmake --build "$build" --target wrenlow-cli bench_lzx_decode bench_mspack_decode bench_viewer -j2 >/dev/null
cli=$build/src/cli/wrenlow-cli

# --- extraction of a large CHM -------------------------------------------
big=$build/bench-libstdcxx.chm
[ -f "$big" ] || "$top/bench/make_big_chm.sh" "$big" "$build/bench-work"
outroot=${BENCH_OUT:-}
if [ -z "$outroot" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then outroot=$(mktemp -d /dev/shm/wlbench.XXXXXX)
  else outroot=$(mktemp -d); fi
fi
trap 'rm -rf "$outroot"' EXIT

echo "extract $(basename "$big") ($(stat -c %s "$big") bytes) into $outroot"
python3 "$top/bench/paired_time.py" --runs "$runs" --fresh "$outroot" \
  "wrenlow-cli=$cli extract '$big' ." \
  "7zz=7zz x -y '$big'" \
  "extract_chmLib=extract_chmLib '$big' ."

# --- decompile of the same file ------------------------------------------------
BENCH_OUT=$outroot/decompile BENCH_RUNS=$runs "$top/bench/decompile_bench.sh" "$cli" "$big"

# --- listing a file of 40,000 folders of one file each --------------------------
"$top/bench/list_bench.sh" "$cli" "$build/bench-folders.chm"

# --- single-thread LZX decoding ---------------------------------------------
# Each program decodes the whole compressed section five times in one thread
# and prints its best round; the paired runs give the ratio of whole runs.
"$build/bench/bench_lzx_decode" "$big" 5
"$build/bench/bench_mspack_decode" "$big" 5
python3 "$top/bench/paired_time.py" --runs "$runs" \
  "ours=$build/bench/bench_lzx_decode '$big' 5" "libmspack=$build/bench/bench_mspack_decode '$big' 5"

# --- packing the same files into a new file (writer and LZX encoder) --------
"$top/bench/pack_bench.sh" "$build" "$build/bench-work"

# --- the viewer: open + tree fill, and the #TOPICS page ----------------------
"$top/bench/viewer_bench.sh" "$build" "$build/bench-work/viewer"

# --- compiling help projects against chmcmd ---------------------------------
"$top/bench/compile_bench.sh" "$build" "$build/bench-compile"

# --- x86 call translation in the LZX encoder: programs and HTML --------------
cmake --build "$build" --target bench_lzx_e8 -j2 >/dev/null
"$top/bench/e8_bench.sh" "$build" "$build/bench-e8" "$build/bench-work/proj/doc"

# --- memory of compiling a project that lists a 3 GiB file -------------------
"$top/bench/large_file_compile.sh" "$build" 3G "$build/bench-large"
