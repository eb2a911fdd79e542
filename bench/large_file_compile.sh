#!/usr/bin/env bash
# Memory of compiling a project that lists one very large file: a sparse file
# of SIZE bytes (default 3G, made with truncate so it costs no disk) beside a
# small page, compiled by `wrenlow-cli compile` under /usr/bin/time -v. Reports
# the peak resident memory, wall-clock and CPU seconds, and checks that the
# compiled file holds every byte of the large one. The large file's bytes go
# from disk to the compiled file in pieces, so the peak stays far below the
# file's size (the target is 512 MB for 3 GiB). Sparse zeros compress fast,
# so the times say little about real data; the spool and the compiled file
# need about SIZE bytes of free disk in WORKDIR while it runs.
# usage: large_file_compile.sh [BUILD_DIR] [SIZE] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
size=${2:-3G}
work=${3:-$(mktemp -d)}
cli=$(cd "$build" && pwd)/src/cli/wrenlow-cli
[ -x "$cli" ] || { echo "wrenlow-cli not found in $build (build it first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time not found (package time)" >&2; exit 1; }
limit_kb=$((512 * 1024))

mkdir -p "$work/project"
cd "$work/project"
rm -f big.bin big.chm
truncate -s "$size" big.bin
printf '<html><head><title>Large</title></head><body>one large file</body></html>' >page.htm
printf '[OPTIONS]\nCompiled file=big.chm\nTitle=Large\n\n[FILES]\npage.htm\nbig.bin\n' >big.hhp
bytes=$(stat -c %s big.bin)

/usr/bin/time -v -o "$work/time.txt" "$cli" -q compile big.hhp --level fast
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
user=$(sed -n 's/.*User time (seconds): //p' "$work/time.txt")
sys=$(sed -n 's/.*System time (seconds): //p' "$work/time.txt")
stored=$("$cli" list big.chm | awk '$1 == "/big.bin" || $1 == "big.bin" { print $2 }' | tr -d ,)

printf '%-28s %s\n' "large file (bytes)" "$bytes" "stored stream (bytes)" "${stored:-missing}" \
  "compiled file (bytes)" "$(stat -c %s big.chm)" "peak RSS (KiB)" "$peak_kb" \
  "wall clock" "$wall" "CPU user+sys (s)" "$user + $sys"
status=0
if [ "${stored:-}" != "$bytes" ]; then
  echo "FAIL: the stream holds ${stored:-nothing}, not $bytes bytes" >&2
  status=1
fi
if [ "$peak_kb" -gt "$limit_kb" ]; then
  echo "FAIL: peak RSS $peak_kb KiB is above $limit_kb KiB" >&2
  status=1
fi
rm -f big.bin big.chm
exit $status
