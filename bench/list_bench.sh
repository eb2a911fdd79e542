#!/usr/bin/env bash
# Listing a file of 40,000 folders of one file each (bench/make_folders_chm.sh)
# with `wrenlow-cli list` against `7zz l` and chmls, in turn: wall and CPU
# (user + system) seconds, and the ratios of ours to each peer.
# usage: list_bench.sh CLI [FOLDERS.chm]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${BENCH_RUNS:-11}
cli=$(realpath "$1")
file=${2:-$(dirname "$cli")/bench-folders.chm}
[ -f "$file" ] || "$top/bench/make_folders_chm.sh" "$cli" "$file"
file=$(realpath "$file")
echo "list $(basename "$file") ($(stat -c %s "$file") bytes, $("$cli" list "$file" | wc -l) streams)"
peers=("7zz=7zz l '$file'")
command -v chmls >/dev/null && peers+=("chmls=chmls '$file'")
python3 "$top/bench/paired_time.py" --runs "$runs" "wrenlow-cli=$cli list '$file'" "${peers[@]}"
