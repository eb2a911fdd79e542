#!/usr/bin/env bash
# Recompile benchmark, in one run:
#  1. every readable corpus file recompiled (default options, and again as
#     not part of a collection): size per file and in total against the
#     original, which the original compilers wrote;
#  2. the large libstdc++ documentation file recompiled, against extracting it
#     with 7zz and compiling the extracted files with chmcmd: wall time and
#     size. chmcmd takes minutes, so it runs once; ours runs BENCH_RUNS times
#     (median). Both run at the same nice level.
# usage: bench/recompile_bench.sh [CLI] [BIG.chm]   (BENCH_CORPUS_ONLY=1: part 1 only;
#        BENCH_LEVEL=fast|strong: the LZX level, default the program's)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BENCH_DIR:-$top/build-bench}
runs=${BENCH_RUNS:-3}
level=${BENCH_NICE:-10}
cli=${1:-$build/src/cli/wrenlow-cli}
big=${2:-$build/bench-libstdcxx.chm}
corpus=${WRENLOW_CORPUS_DIR:-$top/../shared/corpus/files}
if [ ! -x "$cli" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENLOW_GUI=OFF \
    -DWRENLOW_TESTS=OFF >/dev/null
  cmake --build "$build" --target wrenlow-cli -j2 >/dev/null
fi
[ -f "$big" ] || "$top/bench/make_big_chm.sh" "$big" "$build/bench-work"
outroot=${BENCH_OUT:-}
if [ -z "$outroot" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then outroot=$(mktemp -d /dev/shm/wlrecomp.XXXXXX)
  else outroot=$(mktemp -d); fi
fi
trap 'rm -rf "$outroot"' EXIT

# --- 1. the corpus -------------------------------------------------------------
corpus_sizes() {  # $1: label, then options
  local label=$1; shift
  rm -rf "$outroot/corpus"; mkdir -p "$outroot/corpus"
  "$cli" recompile "$corpus/*" "$outroot/corpus" ${BENCH_LEVEL:+--level "$BENCH_LEVEL"} "$@" \
    >"$outroot/lines.txt" 2>/dev/null || true
  local old=0 new=0 f n o
  printf '%-42s %10s %10s %6s\n' "file ($label)" original recompiled ratio
  for f in "$corpus"/*; do
    n=$(basename "$f")
    # A file counts when its report line says so (a failed job may leave a
    # partly written target behind).
    grep -qiF "$n	(" "$outroot/lines.txt" || { printf '%-42s %10s %10s %6s\n' "$n" "$(stat -c %s "$f")" "failed" "-"; continue; }
    o=$(stat -c %s "$f"); r=$(stat -c %s "$outroot/corpus/$n")
    old=$((old + o)); new=$((new + r))
    printf '%-42s %10d %10d %6.3f\n' "$n" "$o" "$r" "$(echo "$r / $o" | bc -l)"
  done
  printf '%-42s %10d %10d %6.3f  (target <= 0.820)\n\n' "TOTAL ($label)" "$old" "$new" \
    "$(echo "$new / $old" | bc -l)"
}
corpus_sizes default
corpus_sizes not-collection --not-collection

[ -n "${BENCH_CORPUS_ONLY:-}" ] && exit 0

# --- 2. the large file ------------------------------------------------------
echo "large file: $(basename "$big") ($(stat -c %s "$big") bytes), nice $level, $runs runs of ours"
times=()
for i in $(seq 1 "$runs"); do
  rm -f "$outroot/ours.chm"; sync
  t0=$(date +%s.%N)
  nice -n "$level" "$cli" recompile "$big" "$outroot/ours.chm" ${BENCH_LEVEL:+--level "$BENCH_LEVEL"} >/dev/null
  t1=$(date +%s.%N)
  times+=("$(echo "$t1 - $t0" | bc -l)")
done
ours=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2}')
printf 'wrenlow-cli recompile   median %.2f s (%s)  size %d\n' "$ours" "${times[*]}" \
  "$(stat -c %s "$outroot/ours.chm")"

# The peer: 7zz extracts the file, a project lists what it extracted (the
# internal files left out) with the settings make_big_chm.sh compiled with,
# and chmcmd compiles it.
proj=$outroot/peer
rm -rf "$proj"; mkdir -p "$proj"
t0=$(date +%s.%N)
( cd "$proj" && nice -n "$level" 7zz x -y "$big" >/dev/null )
t1=$(date +%s.%N)
( cd "$proj" && {
    printf '[OPTIONS]\nCompiled file=peer.chm\nContents file=bench.hhc\nDefault topic=doc/index.html\n'
    printf 'Full-text search=No\nTitle=libstdc++\n\n[FILES]\n'
    find doc -type f | sort
  } >peer.hhp )
t2=$(date +%s.%N)
( cd "$proj" && nice -n "$level" chmcmd --no-html-scan peer.hhp >/dev/null 2>&1 )
t3=$(date +%s.%N)
extract=$(echo "$t1 - $t0" | bc -l); compile=$(echo "$t3 - $t2" | bc -l)
peer=$(echo "$extract + $compile" | bc -l)
peersize=$(stat -c %s "$proj/peer.chm")
oursize=$(stat -c %s "$outroot/ours.chm")
printf '7zz x + chmcmd          %.2f s (extract %.2f, compile %.2f)  size %d\n' "$peer" "$extract" \
  "$compile" "$peersize"
printf 'speed: peer/ours %.1fx (target >= 10x); size: ours/chmcmd %.3f (target <= 0.85)\n' \
  "$(echo "$peer / $ours" | bc -l)" "$(echo "$oursize / $peersize" | bc -l)"
