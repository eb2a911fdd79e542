#!/usr/bin/env bash
# Decompile of the large documentation CHM against extract_chmLib and 7zz x,
# in one run, on the same output file system; prints medians and ratios.
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
outroot=${BENCH_OUT:-}
if [ -z "$outroot" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then outroot=$(mktemp -d /dev/shm/wldecomp.XXXXXX)
  else outroot=$(mktemp -d); fi
fi
trap 'rm -rf "$outroot"' EXIT

# The runs of the three programs are interleaved, so that a change in the
# machine's load falls on all of them alike.
declare -A times
names=(decompile decompile-noproj extract_chmLib 7zz)
run() {
  case $1 in
    decompile) "$cli" decompile "$big" . ;;
    decompile-noproj) "$cli" decompile "$big" . --no-project ;;
    extract_chmLib) extract_chmLib "$big" . ;;
    7zz) 7zz x -y "$big" ;;
  esac
}
echo "decompile $(basename "$big") ($(stat -c %s "$big") bytes) into $outroot, $runs runs"
for i in $(seq 0 "$runs"); do
  for n in "${names[@]}"; do
    rm -rf "$outroot/out"; mkdir -p "$outroot/out"
    t0=$(date +%s.%N)
    ( cd "$outroot/out" && run "$n" >/dev/null 2>&1 ) || true
    t1=$(date +%s.%N)
    [ "$i" -gt 0 ] && times[$n]+="$(echo "$t1 - $t0" | bc -l) "  # run 0 warms up
  done
done
median() { printf '%s\n' $1 | sort -g | awk '{a[NR]=$1} END {print (NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2}'; }
declare -A med
for n in "${names[@]}"; do
  med[$n]=$(median "${times[$n]}")
  printf '%-18s median %.3f s  (%s)\n' "$n" "${med[$n]}" "${times[$n]}"
done
best=$(echo "if (${med[extract_chmLib]} < ${med[7zz]}) ${med[extract_chmLib]} else ${med[7zz]}" | bc -l)
for n in decompile decompile-noproj; do
  printf 'ratio %s: /extract_chmLib %.2f, /7zz %.2f, /faster peer %.2f\n' "$n" \
    "$(echo "${med[$n]} / ${med[extract_chmLib]}" | bc -l)" \
    "$(echo "${med[$n]} / ${med[7zz]}" | bc -l)" "$(echo "${med[$n]} / $best" | bc -l)"
done
