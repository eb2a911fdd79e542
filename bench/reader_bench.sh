#!/usr/bin/env bash
# Reader benchmark: the libstdc++ reference (Debian's libstdc++-12-doc, the
# project compile_bench.sh generates, with full-text search and a binary
# contents and index turned on) compiled once, then timed, best of five:
#   - wrenlow-cli toc and index (whole trees, from the binary tables);
#   - wrenlow-cli search for one word, whole and as a prefix, beside
#     python3-chm's Search of the same word in the same file, with the
#     number of topics each finds.
# Each time includes starting the program and opening the file.
# usage: reader_bench.sh [BUILD_DIR] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
work=${2:-$(mktemp -d)}
cli=$(cd "$build" && pwd)/src/cli/wrenlow-cli
[ -x "$cli" ] || { echo "wrenlow-cli not found in $build (build it first)" >&2; exit 1; }
/usr/bin/python3 -c 'import chm.chm' 2>/dev/null || { echo "python3-chm not installed" >&2; exit 1; }
stl=/usr/share/doc/gcc-12-base/libstdc++
[ -d "$stl" ] || apt-get install -y libstdc++-12-doc >/dev/null

source <(sed -n '/^make_project() {/,/^}/p' "$top/bench/compile_bench.sh")
chm=$work/libstdcxx/libstdcxx.chm
if [ ! -f "$chm" ]; then
  make_project libstdcxx "$stl"
  sed -i 's/^Full-text search=No/Full-text search=Yes\nBinary TOC=Yes\nBinary Index=Yes/' \
    "$work/libstdcxx/libstdcxx.hhp"
  "$cli" --quiet compile "$work/libstdcxx/libstdcxx.hhp" -o "$chm" >/dev/null
fi

# best_of COMMAND...: the shortest wall-clock time of five runs, in ms.
best_of() {
  local best=999999 t0 t1 ms
  for _ in 1 2 3 4 5; do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s%N)
    ms=$(((t1 - t0) / 1000000))
    [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}

printf 'file: %s (%s bytes, %s topics)\n' "$chm" "$(stat -c %s "$chm")" \
  "$("$cli" info --json "$chm" | grep -c '"link"')"
printf 'toc:   %5d ms, %d entries\n' "$(best_of "$cli" toc "$chm")" "$("$cli" toc "$chm" | wc -l)"
printf 'index: %5d ms, %d keywords\n' "$(best_of "$cli" index "$chm")" \
  "$("$cli" index "$chm" | wc -l)"
py="/usr/bin/python3 $top/tests/compile/fulltext_search.py"
for word in vector allocator iterator; do
  ours=$(best_of "$cli" search "$chm" "$word")
  theirs=$(best_of $py "$chm" cp1252 "$word")
  printf 'search %-10s wrenlow-cli %4d ms (%d topics), python3-chm %4d ms (%d pages)\n' "$word" \
    "$ours" "$("$cli" search "$chm" "$word" | wc -l)" "$theirs" \
    "$($py "$chm" cp1252 "$word" | tail -1 | cut -f2 | wc -w)"
  printf 'search %-10s --prefix: wrenlow-cli %4d ms (%d topics)\n' "${word:0:4}" \
    "$(best_of "$cli" search --prefix "$chm" "${word:0:4}")" \
    "$("$cli" search --prefix "$chm" "${word:0:4}" | wc -l)"
done
