#!/usr/bin/env bash
# x86 call translation: size and CPU time of the LZX encoder (pack's default
# 256 KiB reset intervals and window) with translation never, where it pays
# (the default) and always, on Windows programs (Wine's PE files, as shipped
# and with their debug sections stripped) and on HTML (the libstdc++ pages
# pack_bench.sh uses, or any folder given).
# usage: e8_bench.sh [BUILD_DIR] [WORKDIR] [HTML_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
work=${2:-$(mktemp -d)}
html=${3:-$work/proj/doc}
bench=$build/bench/bench_lzx_e8
[ -x "$bench" ] || { echo "bench_lzx_e8 not found in $build (configure with -DWRENLOW_BENCH=ON)" >&2; exit 1; }

wine=/usr/lib/x86_64-linux-gnu/wine
if [ -d "$wine/x86_64-windows" ]; then
  # The programs from 200 KB to 2 MB, in name order, up to 40 of them (help
  # viewers left out), plus the 32-bit ones.
  mkdir -p "$work/pe" "$work/pe-stripped"
  find "$wine/x86_64-windows" -maxdepth 1 -type f -size +195k -size -1954k \
    ! -name 'hh*' ! -name 'itss*' ! -name 'winhlp*' -printf '%f\t%p\n' |
    sort | head -40 | cut -f2 | xargs -r cp -t "$work/pe"
  cp "$wine"/i386-windows/*.dll "$work/pe" 2>/dev/null || true
  for f in "$work"/pe/*; do
    strip --strip-debug -o "$work/pe-stripped/${f##*/}" "$f" 2>/dev/null || cp "$f" "$work/pe-stripped/"
  done
  echo "== Windows programs as shipped"
  "$bench" "$work/pe"
  echo "== the same, debug sections stripped"
  "$bench" "$work/pe-stripped"
else
  echo "no Windows programs under $wine (install wine64)"
fi
if [ -d "$html" ]; then
  echo "== HTML: $html"
  "$bench" "$html"
fi
