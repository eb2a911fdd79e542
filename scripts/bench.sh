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

# Median wall time in seconds of a command run in a fresh output folder.
timeit() {
  local name=$1; shift
  local times=()
  for i in $(seq 0 "$runs"); do
    rm -rf "$outroot/out"; mkdir -p "$outroot/out"
    sync
    local t0 t1
    t0=$(date +%s.%N)
    ( cd "$outroot/out" && "$@" >/dev/null 2>&1 )
    t1=$(date +%s.%N)
    [ "$i" -gt 0 ] && times+=("$(echo "$t1 - $t0" | bc -l)")  # run 0 warms up
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v n="$name" '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%-16s median %.3f s  (min %.3f, max %.3f, %d runs)\n", n, m, a[1], a[NR], NR; print m > "/dev/stderr"}' 2>"$outroot/$name.median"
}
echo "extract $(basename "$big") ($(stat -c %s "$big") bytes) into $outroot"
timeit wrenlow-cli "$cli" extract "$big" .
timeit extract_chmLib extract_chmLib "$big" .
timeit 7zz 7zz x -y "$big"
ours=$(cat "$outroot/wrenlow-cli.median")
chm=$(cat "$outroot/extract_chmLib.median")
zip=$(cat "$outroot/7zz.median")
best=$(echo "if ($chm < $zip) $chm else $zip" | bc -l)
printf 'ratio ours/extract_chmLib %.2f, ours/7zz %.2f, ours/faster peer %.2f\n' \
  "$(echo "$ours / $chm" | bc -l)" "$(echo "$ours / $zip" | bc -l)" "$(echo "$ours / $best" | bc -l)"

# --- single-thread LZX decoding ---------------------------------------------
"$build/bench/bench_lzx_decode" "$big" 5
"$build/bench/bench_mspack_decode" "$big" 5

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
