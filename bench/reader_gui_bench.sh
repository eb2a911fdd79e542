#!/usr/bin/env bash
# Reading window benchmark beside xCHM and KchmViewer, on the file
# make_reader_chm.sh builds (the libstdc++ reference, 3,906 pages, binary
# contents and index of 20,000 keywords, full-text index):
#   1. from inside (bench_reader_window, RUNS runs, each its own process):
#      start to contents filled and to first page loaded, each key typed
#      into the index's keyword box to its keyword selected and painted,
#      Enter in the search box to the results painted;
#   2. from outside, the same way for the three readers (reader_peers.py):
#      launch to window mapped and to window still, type-ahead keys and
#      searches timed to the window's picture last changing.
# Runs on its own Xvfb display with openbox.
# Needs xvfb, openbox, xdotool, x11-apps (xwd), xchm, kchmviewer.
# usage: reader_gui_bench.sh [BUILD_DIR] [WORKDIR] [DISPLAY_NUMBER]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${WRENLOW_BENCH_DIR:-$top/build}}" && pwd)
work=${2:-$(mktemp -d)}
number=${3:-97}
runs=${BENCH_RUNS:-5}
bench=$build/bench/bench_reader_window
[ -x "$bench" ] || { echo "bench_reader_window not found in $build (build it first)" >&2; exit 1; }
mkdir -p "$work"
chm=$work/libstdcxx.chm
[ -f "$chm" ] || "$top/bench/make_reader_chm.sh" "$build/src/cli/wrenlow-cli" "$chm" "$work/make"

export XDG_RUNTIME_DIR=$work/runtime WRENLOW_CONFIG_DIR=$work/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$WRENLOW_CONFIG_DIR"
source "$top/bench/desktop_display.sh"
start_desktop "$number"

keys=vector::push
words=vector,allocator
echo "file: $chm ($(stat -c %s "$chm") bytes)"
echo "== inside the reading window, $runs runs (median; keys: max over the keys of $keys)"
for i in $(seq 1 "$runs"); do
  WRENLOW_BENCH_T0=$(date +%s%N) "$bench" "$chm" "$keys" ${words//,/ } 2>/dev/null
done > "$work/inside.txt"
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for what in qt open contents page; do
  printf '%-9s %6s ms\n' "$what" "$(awk -v w=$what '$1==w {print $2}' "$work/inside.txt" | median)"
done
printf 'key max   %6s ms, mean %s ms\n' "$(awk '$1=="keys" {print $4}' "$work/inside.txt" | median)" \
  "$(awk '$1=="keys" {print $7}' "$work/inside.txt" | median)"
for w in ${words//,/ }; do
  printf 'search %-10s %6s ms (%s)\n' "$w" \
    "$(awk -v w=$w '$1=="search" && $2==w {print $3}' "$work/inside.txt" | median)" \
    "$(awk -v w=$w '$1=="search" && $2==w {print $5, $6}' "$work/inside.txt" | head -1)"
done

echo "== from outside, $runs runs each (median)"
title=$(basename "$chm" .chm)
for reader in "wrenlow:$build/src/app/wrenlow" xchm kchmviewer; do
  python3 "$top/bench/reader_peers.py" "$reader" "$chm" "$runs" "$words" "$keys" "$title"
done
