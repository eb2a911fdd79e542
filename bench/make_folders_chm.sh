#!/usr/bin/env bash
# Builds the listing benchmark file: 40,000 folders of one small page each
# (d00000/page.htm ... d39999/page.htm), stored by `wrenlow-cli pack`. Its
# directory is as large as the libstdc++ file's six times over while its
# data are tiny: a listing spends its time on the directory alone.
# usage: make_folders_chm.sh CLI OUT.chm [FOLDERS]
set -euo pipefail
cli=$1
out=$2
folders=${3:-40000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/src" "$folders" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
width = len(str(count - 1))
for i in range(count):
    d = os.path.join(root, "d%0*d" % (width, i))
    os.makedirs(d)
    with open(os.path.join(d, "page.htm"), "w") as f:
        f.write("<p>%d</p>\n" % i)
PY
"$cli" -q pack "$work/src" "$out" >/dev/null
ls -l "$out" >&2
