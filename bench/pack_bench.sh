#!/usr/bin/env bash
# Pack benchmark: the libstdc++ HTML reference (the file set make_big_chm.sh
# compiles) packed by `wrenlow-cli pack` with several LZX parameter sets,
# against chmcmd's CHM of the same files (full-text search off) and against
# gzip -9 and xz -9 of a tar of the same bytes, all in one run.
# Reports output sizes, wall-clock and CPU seconds, and input MB/s.
# usage: pack_bench.sh [BUILD_DIR] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
work=${2:-$(mktemp -d)}
cli=$build/src/cli/wrenlow-cli
[ -x "$cli" ] || { echo "wrenlow-cli not found in $build (build it first)" >&2; exit 1; }

# The project make_big_chm.sh builds (its chmcmd run prepares the folder;
# a work folder from an earlier run is reused).
if [ ! -f "$work/proj/bench.hhp" ]; then
  "$top/bench/make_big_chm.sh" "$work/chmcmd.chm" "$work" 2>/dev/null
fi
docs=$work/proj/doc
input=$(du -sb "$docs" | cut -f1)
files=$(find "$docs" -type f | wc -l)
echo "input: $files files, $input bytes ($docs)"

# Runs a command, prints "wall cpu" seconds.
timed() {
  /usr/bin/time -o "$work/time.txt" -f "%e %U %S" "$@" >/dev/null 2>&1
  awk 'END {printf "%.2f %.2f", $1, $2 + $3}' "$work/time.txt"
}

row() {  # name size wall cpu
  awk -v n="$1" -v s="$2" -v w="$3" -v c="$4" -v insz="$input" -v ref="${ref_size:-0}" -v rw="${ref_wall:-0}" 'BEGIN {
    printf "%-26s %12d  %6.3f  %8.2f %8.2f %8.1f %8.1f", n, s, s / insz, w, c, insz / 1e6 / w, insz / 1e6 / c
    if (ref > 0) printf "   %5.3f x size  %5.1f x speed", s / ref, rw / w
    printf "\n" }'
}

printf "%-26s %12s  %6s  %8s %8s %8s %8s\n" "writer" "bytes" "ratio" "wall s" "cpu s" "MB/s" "MB/s cpu"
t=$( cd "$work/proj" && timed chmcmd --no-html-scan bench.hhp )
ref_size=$(stat -c %s "$work/proj/bench.chm")
ref_wall=${t% *}
row "chmcmd (2/2/1)" "$ref_size" $t
for p in "8 8 8" "4 1 1" "2 2 1" "64 64 64"; do
  set -- $p
  t=$(timed "$cli" pack "$docs" "$work/pack.chm" --reset "$1" --window "$2" --partition "$3")
  row "wrenlow pack $1/$2/$3" "$(stat -c %s "$work/pack.chm")" $t
done
tar -C "$work/proj" -cf "$work/docs.tar" doc
t=$(timed sh -c "gzip -9 -c '$work/docs.tar' > '$work/docs.tar.gz'")
row "gzip -9 (tar)" "$(stat -c %s "$work/docs.tar.gz")" $t
t=$(timed sh -c "xz -9 -T1 -c '$work/docs.tar' > '$work/docs.tar.xz'")
row "xz -9 (tar)" "$(stat -c %s "$work/docs.tar.xz")" $t
echo "(x size and x speed are relative to chmcmd; speed from wall-clock time)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
