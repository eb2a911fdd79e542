#!/usr/bin/env bash
# Compile benchmark: two real documentation sets, each given a generated
# project (.hhp) and contents file (.hhc) listing every file, compiled by
# `wrenlow-cli compile` and by Free Pascal's chmcmd (full-text search off
# for both, both scanning pages for links), in one run. Reports output
# sizes, wall-clock and CPU seconds and the ratios to chmcmd.
#   libstdc++: Debian's libstdc++-12-doc HTML (html, css, js, svg, png)
#   PostgreSQL: Debian's postgresql-doc-15 HTML
# chmcmd is slow (minutes on the libstdc++ set): it runs once per set,
# niced like ours.
# usage: compile_bench.sh [BUILD_DIR] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
work=${2:-$(mktemp -d)}
cli=$(cd "$build" && pwd)/src/cli/wrenlow-cli
[ -x "$cli" ] || { echo "wrenlow-cli not found in $build (build it first)" >&2; exit 1; }
command -v chmcmd >/dev/null || { echo "chmcmd not found (fp-utils)" >&2; exit 1; }

stl=/usr/share/doc/gcc-12-base/libstdc++
pg=/usr/share/doc/postgresql-doc-15/html
if [ ! -d "$stl" ] || [ ! -d "$pg" ]; then
  echo "installing libstdc++-12-doc and postgresql-doc-15 for the benchmark sources" >&2
  apt-get install -y libstdc++-12-doc postgresql-doc-15 >/dev/null
fi

# make_project NAME SOURCE_DIR: copies the set to WORK/NAME/doc and writes
# NAME.hhp and NAME.hhc there (one contents entry per page).
make_project() {
  local name=$1 src=$2 dir=$work/$1
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -rL "$src" "$dir/doc"
  find "$dir/doc" -type f ! \( -name '*.html' -o -name '*.htm' -o -name '*.css' -o -name '*.js' \
    -o -name '*.svg' -o -name '*.png' -o -name '*.gif' -o -name '*.jpg' \) -delete
  python3 - "$dir" "$name" <<'PY'
import html, os, re, sys
root, name = sys.argv[1], sys.argv[2]
files = []
for d, _, names in os.walk(os.path.join(root, "doc")):
    for n in names:
        files.append(os.path.relpath(os.path.join(d, n), root))
files.sort()
pages = [f for f in files if f.endswith((".html", ".htm"))]
def title(p):
    with open(os.path.join(root, p), "rb") as f:
        m = re.search(rb"<title>(.*?)</title>", f.read(), re.S | re.I)
    return html.unescape(m.group(1).decode("utf-8", "replace")).strip() if m else p
with open(os.path.join(root, name + ".hhc"), "w", encoding="utf-8") as hhc:
    hhc.write("<HTML><BODY>\n<UL>\n")
    for p in pages:
        hhc.write('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s">'
                  '<param name="Local" value="%s"></OBJECT>\n' % (html.escape(title(p)), p))
    hhc.write("</UL>\n</BODY></HTML>\n")
with open(os.path.join(root, name + ".hhp"), "w", encoding="utf-8") as hhp:
    hhp.write("[OPTIONS]\nCompiled file=%s.chm\nContents file=%s.hhc\nDefault topic=%s\n"
              "Full-text search=No\nLanguage=0x409 English (United States)\nTitle=%s\n\n[FILES]\n"
              % (name, name, pages[0], name))
    for f in files:
        hhp.write(f + "\n")
print("%s: %d files, %d pages" % (name, len(files), len(pages)), file=sys.stderr)
PY
}

# Runs a command in a folder, prints "wall cpu" seconds.
timed() {
  local dir=$1
  shift
  (cd "$dir" && /usr/bin/time -o "$work/time.txt" -f "%e %U %S" nice -n 10 "$@" >"$work/out.txt" 2>&1) ||
    { echo "failed: $*" >&2; tail -5 "$work/out.txt" >&2; exit 1; }
  awk 'END {printf "%.2f %.2f", $1, $2 + $3}' "$work/time.txt"
}

printf "%-11s %-8s %12s %9s %9s %8s %8s\n" set writer bytes "wall s" "cpu s" "x size" "x time"
for set in libstdcxx:$stl postgresql:$pg; do
  name=${set%%:*}
  make_project "$name" "${set#*:}"
  input=$(du -sb "$work/$name/doc" | cut -f1)
  t=$(timed "$work/$name" chmcmd "$name.hhp")
  ref_size=$(stat -c %s "$work/$name/$name.chm")
  ref_wall=${t% *}
  printf "%-11s %-8s %12d %9s %9s\n" "$name" chmcmd "$ref_size" $t
  t=$(timed "$work/$name" "$cli" compile "$name.hhp" -o "$work/$name/ours.chm")
  size=$(stat -c %s "$work/$name/ours.chm")
  awk -v n="$name" -v s="$size" -v w="${t% *}" -v c="${t#* }" -v rs="$ref_size" -v rw="$ref_wall" \
    'BEGIN { printf "%-11s %-8s %12d %9.2f %9.2f %8.3f %8.3f\n", n, "wrenlow", s, w, c, s / rs, w / rw }'
  echo "$name input: $input bytes"
done
echo "targets: x size <= 0.85, x time <= 0.2 (wall-clock, relative to chmcmd)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
