#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/ or $WRENLOW_FUZZ_DIR)
# and runs each for FUZZ_SECONDS (default 120), seeded from the corpus.
# usage: scripts/fuzz.sh [TARGET...]   (default: every fuzz_* target)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_FUZZ_DIR:-$top/build-fuzz}
seconds=${FUZZ_SECONDS:-120}
corpus=${WRENLOW_CORPUS_DIR:-$top/../shared/corpus/files}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DWRENLOW_FUZZ=ON -DWRENLOW_GUI=OFF -DWRENLOW_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$top"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" --target "${targets[@]}" -j2

seeds=$build/seeds
mkdir -p "$seeds/fuzz_itsf" "$seeds/fuzz_lzx"
# Container seeds: the corpus files of reasonable size.
find "$corpus" -type f -size -400k -exec cp -n {} "$seeds/fuzz_itsf/" \;
# Decoder seeds: the head of each file's compressed section behind the two
# parameter bytes (window 2^16, two frames per reset).
cli=""
for c in "$top/build/src/cli/wrenlow-cli" "${WRENLOW_BUILD_DIR:-}/src/cli/wrenlow-cli"; do
  [ -x "$c" ] && cli=$c && break
done
if [ -n "$cli" ]; then
  for f in "$corpus"/*; do
    out="$seeds/fuzz_lzx/$(basename "$f").lzx"
    [ -e "$out" ] && continue
    { printf '\001\001'; "$cli" cat "$f" "::DataSpace/Storage/MSCompressed/Content" 2>/dev/null | head -c 65536; } >"$out" || true
    [ "$(stat -c %s "$out")" -gt 2 ] || rm -f "$out"
  done
fi

# Version-resource seeds: the crafted PE files of the tests and a few small
# Windows libraries of the installed Wine.
mkdir -p "$seeds/fuzz_pe_version"
python3 "$top/tests/platform/system/make_hostile_pe.py" "$seeds/fuzz_pe_version"
find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows \
  -maxdepth 1 -type f -size -200k 2>/dev/null | sort | head -n 40 |
  xargs -r cp -n -t "$seeds/fuzz_pe_version/" || true

for t in "${targets[@]}"; do
  dir=$seeds/$t
  mkdir -p "$dir" "$build/crashes/$t"
  echo "== $t for ${seconds}s"
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=2048 -timeout=20 \
    -artifact_prefix="$build/crashes/$t/" "$dir" 2>&1 | tail -n 3
done
