#!/usr/bin/env bash
# Builds the large extraction benchmark file: the libstdc++ HTML reference
# (HTML, CSS, JS, SVG, PNG) compiled with chmcmd, full-text search off, one
# contents entry per page. chmcmd writes two header fields wrong when the
# directory spans several chunks (the second ITSF GUID repeats the first; the
# ITSP first-listing-chunk field says 1 instead of 0); the copy it leaves in
# OUT has both repaired so every reader accepts it.
# usage: make_big_chm.sh OUT.chm [WORKDIR]
set -euo pipefail
out=$1
work=${2:-$(mktemp -d)}
src=/usr/share/doc/gcc-12-base/libstdc++
if [ ! -d "$src" ]; then
  echo "installing libstdc++-12-doc for the benchmark sources" >&2
  apt-get install -y libstdc++-12-doc >/dev/null
fi
mkdir -p "$work/proj"
rm -rf "$work/proj/doc"
cp -rL "$src" "$work/proj/doc"
find "$work/proj/doc" -type f ! \( -name '*.html' -o -name '*.css' -o -name '*.js' -o -name '*.svg' -o -name '*.png' \) -delete
python3 - "$work/proj" <<'PY'
import html, os, sys
root = sys.argv[1]
files = []
for d, _, names in os.walk(os.path.join(root, "doc")):
    for n in names:
        files.append(os.path.relpath(os.path.join(d, n), root))
files.sort()
pages = [f for f in files if f.endswith(".html")]
with open(os.path.join(root, "bench.hhc"), "w", encoding="utf-8") as hhc:
    hhc.write("<HTML><BODY>\n<UL>\n")
    for p in pages:
        hhc.write('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s">'
                  '<param name="Local" value="%s"></OBJECT>\n' % (html.escape(p), p))
    hhc.write("</UL>\n</BODY></HTML>\n")
with open(os.path.join(root, "bench.hhp"), "w", encoding="utf-8") as hhp:
    hhp.write("[OPTIONS]\nCompiled file=bench.chm\nContents file=bench.hhc\n"
              "Default topic=doc/index.html\nFull-text search=No\nTitle=libstdc++\n\n[FILES]\n")
    for f in files:
        hhp.write(f + "\n")
print(len(files), "files,", len(pages), "pages", file=sys.stderr)
PY
(cd "$work/proj" && chmcmd --no-html-scan bench.hhp >/dev/null)
cp "$work/proj/bench.chm" "$out"
python3 - "$out" <<'PY'
import struct, sys
with open(sys.argv[1], "r+b") as f:
    head = bytearray(f.read(0x60))
    if head[0x28:0x38] == head[0x18:0x28]:
        head[0x28] = 0x11  # {7C01FD11-...}
    hs1 = struct.unpack_from("<Q", head, 0x48)[0]
    f.seek(0)
    f.write(head)
    f.seek(hs1 + 0x20)
    f.write(struct.pack("<I", 0))
PY
ls -l "$out" >&2
