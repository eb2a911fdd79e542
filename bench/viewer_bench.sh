#!/usr/bin/env bash
# Viewer benchmark: open a help file and fill the viewer's tree (the
# libstdc++ file and generated files of 25,000 to 200,000 streams in 100
# streams per folder, to show how the cost grows), and the #TOPICS page of a
# generated file of 50,000 topics. Each figure is the median of RUNS runs,
# each run its own process; peak is that process's maximum resident size.
# usage: viewer_bench.sh [BUILD_DIR] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BENCH_DIR:-$top/build-bench}}
work=${2:-$(mktemp -d)}
runs=${BENCH_RUNS:-5}
bench=$build/bench/bench_viewer
[ -x "$bench" ] || { echo "bench_viewer not found in $build (build it first)" >&2; exit 1; }
mkdir -p "$work"

# median of field 2 (ms) and the largest peak over the runs
measure() {  # label mode file: median wall and CPU time, largest peak
  local label=$1 mode=$2 file=$3
  for i in $(seq 1 "$runs"); do "$bench" "$mode" "$file"; done > "$work/runs.txt"
  local wall cpu
  wall=$(awk '{print $2}' "$work/runs.txt" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  cpu=$(awk '{print $7}' "$work/runs.txt" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  awk -v l="$label" -v w="$wall" -v c="$cpu" '{if ($(NF-1) > peak) peak=$(NF-1); extra=$4" "$5}
    END {printf "%-32s median %7.1f ms wall, %7.1f ms cpu, %s peak %d KiB\n", l, w, c, extra, peak}' \
    "$work/runs.txt"
}

big=$build/bench-libstdcxx.chm
[ -f "$big" ] || "$top/bench/make_big_chm.sh" "$big" "$work/big" >/dev/null
measure "libstdc++ ($(stat -c %s "$big") bytes)" tree "$big"

for n in 25000 50000 100000 200000; do
  f=$work/streams-$n.chm
  [ -f "$f" ] || "$bench" make-streams "$f" "$n" $((n / 100))
  measure "$n streams / $((n / 100)) folders" tree "$f"
done

f=$work/topics-50000.chm
[ -f "$f" ] || "$bench" make-topics "$f" 50000
measure "#TOPICS page, 50000 topics" topics "$f"
