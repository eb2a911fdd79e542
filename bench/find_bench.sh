#!/usr/bin/env bash
# The help-file walk against find(1) and fd-find with the same patterns over
# the same tree (default /usr), warm cache, runs interleaved; prints medians,
# ratios and whether the three found the same files.
# usage: bench/find_bench.sh [CLI] [ROOT]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BENCH_DIR:-$top/build-bench}
runs=${BENCH_RUNS:-7}
cli=${1:-$build/src/cli/wrenlow-cli}
root=${2:-/usr}
if [ ! -x "$cli" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENLOW_GUI=OFF \
    -DWRENLOW_TESTS=OFF >/dev/null
  cmake --build "$build" --target wrenlow-cli -j2 >/dev/null
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fd=$(command -v fdfind || command -v fd || true)

names=(wrenlow-cli find)
[ -n "$fd" ] && names+=(fdfind)
run() {
  case $1 in
    wrenlow-cli) "$cli" find html-files --root "$root" | cut -f4 ;;
    # The walk skips folders whose name begins with "." and never follows
    # links; find and fd are told the same.
    find) find "$root" -xdev -name '.*' -type d -prune -o -type f \( -iname '*.chm' -o \
        -iname '*.chi' -o -iname '*.chw' -o -iname '*.chq' -o -iname '*.chs' -o -iname '*.its' \) -print ;;
    fdfind) "$fd" --no-ignore --one-file-system --type f -e chm -e chi -e chw -e chq -e chs -e its \
        . "$root" ;;
  esac
}
declare -A times
echo "help files under $root, $runs runs (plus one to warm the cache), $(nproc) cores"
for i in $(seq 0 "$runs"); do
  for n in "${names[@]}"; do
    t0=$(date +%s.%N)
    run "$n" >"$out/$n.txt" 2>/dev/null || true
    t1=$(date +%s.%N)
    [ "$i" -gt 0 ] && times[$n]+="$(echo "$t1 - $t0" | bc -l) "
  done
done
median() { printf '%s\n' $1 | sort -g | awk '{a[NR]=$1} END {print (NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2}'; }
declare -A med
for n in "${names[@]}"; do
  med[$n]=$(median "${times[$n]}")
  printf '%-12s median %.3f s  %5d files  (%s)\n' "$n" "${med[$n]}" "$(wc -l <"$out/$n.txt")" "${times[$n]}"
done
best=${med[find]}
[ -n "$fd" ] && best=$(echo "if (${med[fdfind]} < $best) ${med[fdfind]} else $best" | bc -l)
printf 'ratio wrenlow-cli / faster peer: %.2f\n' "$(echo "${med[wrenlow-cli]} / $best" | bc -l)"
# The same files? (the walk lower-cases names in capitals only, so compare
# without case)
for n in "${names[@]}"; do sort -f "$out/$n.txt" | tr 'A-Z' 'a-z' >"$out/$n.sorted"; done
if cmp -s "$out/wrenlow-cli.sorted" "$out/find.sorted"; then echo "same files as find"; else
  echo "DIFFERENT files from find:"; diff "$out/wrenlow-cli.sorted" "$out/find.sorted" | head; fi
