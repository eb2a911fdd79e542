#!/usr/bin/env bash
# Full-text search benchmark: the PostgreSQL documentation set (Debian's
# postgresql-doc-15 HTML) in the project compile_bench.sh generates, compiled
# by `wrenlow-cli compile` and by Free Pascal's chmcmd with "Full-text
# search" off and on, in one run, twice:
#   - postgresql: the pages as shipped. chmcmd's HTML reader rejects every
#     one of them ("DOM error": it cannot take the "<?xml ...?>" line) and
#     indexes their titles only, so its size with search is not comparable;
#   - postgresql-clean: a copy with that line removed and the attributes of
#     <body> dropped (chmcmd indexes no body text after a <body> tag that has
#     attributes). Both writers index the same text here: the ratios of this
#     set are the like-for-like ones.
# With FULLTEXT_BENCH_LIBSTDCXX=1 the libstdc++ set (libstdc++-12-doc) of
# compile_bench.sh follows, sizes only: chmcmd indexes its bodies as they
# are, but takes about twenty minutes over it with search on.
# Reports output sizes, the size of the $FIftiMain stream, wall-clock
# seconds, the ratios to chmcmd, and searches in the files read by
# python3-chm:
#   - title words (title-only search): the pages found in both files;
#   - body words: the pages found, against the pages whose text (outside
#     tags, scripts and styles) holds the word, worked out here by Python's
#     own HTML parser.
# usage: fulltext_bench.sh [BUILD_DIR] [WORKDIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WRENLOW_BUILD_DIR:-$top/build}}
work=${2:-$(mktemp -d)}
cli=$(cd "$build" && pwd)/src/cli/wrenlow-cli
search="/usr/bin/python3 $top/tests/compile/fulltext_search.py"
[ -x "$cli" ] || { echo "wrenlow-cli not found in $build (build it first)" >&2; exit 1; }
command -v chmcmd >/dev/null || { echo "chmcmd not found (fp-utils)" >&2; exit 1; }
/usr/bin/python3 -c 'import chm.chm' 2>/dev/null || { echo "python3-chm not installed" >&2; exit 1; }
pg=/usr/share/doc/postgresql-doc-15/html
[ -d "$pg" ] || apt-get install -y postgresql-doc-15 >/dev/null

# The project generator of the compile benchmark, so that both measure the
# same project.
source <(sed -n '/^make_project() {/,/^}/p' "$top/bench/compile_bench.sh")
make_project postgresql "$pg"
dir=$work/postgresql
sed 's/^Full-text search=No/Full-text search=Yes/' "$dir/postgresql.hhp" >"$dir/fts.hhp"
cp "$dir/postgresql.hhp" "$dir/nofts.hhp"

clean=$work/postgresql-clean
rm -rf "$clean"
cp -r "$dir" "$clean"
/usr/bin/python3 - "$clean/doc" <<'PY'
import os, re, sys
for d, _, names in os.walk(sys.argv[1]):
    for n in names:
        if n.endswith(".html"):
            p = os.path.join(d, n)
            s = open(p, "rb").read()
            s = re.sub(rb"^<\?xml[^>]*\?>\s*", b"", s)
            s = re.sub(rb"<body\b[^>]*>", b"<body>", s, count=1, flags=re.I)
            open(p, "wb").write(s)
PY

seconds() { awk 'END {printf "%.2f", $1}' "$work/time.txt"; }
stream_size() {
  "$cli" list "$1" | awk -F'\t' '$1 == "$FIftiMain" {print $2; f=1} END {if (!f) print 0}'
}

# measure DIR: both writers, search off and on; the sizes go to DIR/sizes.txt.
measure() {
  local d=$1 variant name
  name=$(basename "$d")
  name=${name%-clean}
  : >"$d/sizes.txt"
  for variant in nofts fts; do
    (cd "$d" && /usr/bin/time -o "$work/time.txt" -f %e nice -n 10 \
      "$cli" compile $variant.hhp -o "ours_$variant.chm" >/dev/null 2>&1)
    printf "%-8s %-6s %12s %12s %8s\n" wrenlow $variant "$(stat -c %s "$d/ours_$variant.chm")" \
      "$(stream_size "$d/ours_$variant.chm")" "$(seconds)"
    (cd "$d" && /usr/bin/time -o "$work/time.txt" -f %e nice -n 10 chmcmd $variant.hhp \
      >/dev/null 2>&1 && mv "$name.chm" "chmcmd_$variant.chm")
    printf "%-8s %-6s %12s %12s %8s\n" chmcmd $variant "$(stat -c %s "$d/chmcmd_$variant.chm")" \
      "$(stream_size "$d/chmcmd_$variant.chm")" "$(seconds)"
    echo "$variant $(stat -c %s "$d/ours_$variant.chm") $(stat -c %s "$d/chmcmd_$variant.chm")" \
      >>"$d/sizes.txt"
  done
  awk '{printf "ours / chmcmd, %s: %.3f\n", ($1 == "fts" ? "with search" : "without search"), \
    $2 / $3}' "$d/sizes.txt"
}

titles=(postgresql functions index vacuuming json replication trigger)
# Body words in no page title: chmcmd writes a word's title entry before its
# body entry, and the reader stops at the first, finding the titles only.
body=(autovacuum jsonb deadlock recursive nonzero username discarded distribution)

# searches DIR: title-only and body searches in both writers' files.
searches() {
  local d=$1
  # chmcmd splits words at "_" ("pg_index" is "pg" and "index"); we keep
  # them whole, as the original compiler does, so its title searches find a
  # little more.
  echo "title-only searches (pages found: ours / chmcmd's, and whether the lists are equal)"
  $search --titles "$d/ours_fts.chm" cp1252 "${titles[@]}" | tail -n +2 >"$work/ours_t.txt"
  $search --titles "$d/chmcmd_fts.chm" cp1252 "${titles[@]}" | tail -n +2 >"$work/theirs_t.txt"
  paste "$work/ours_t.txt" "$work/theirs_t.txt" | awk -F'\t' \
    '{n=split($2,a," "); m=split($4,b," "); printf "  %-12s %5d %5d %s\n", $1, n, m, ($2==$4 ? "same" : "DIFFERENT")}'

  echo "body searches (pages found: ours / chmcmd's / pages holding the word; missing, extra: ours, chmcmd's)"
  $search "$d/ours_fts.chm" cp1252 "${body[@]}" | tail -n +2 >"$work/ours_b.txt"
  $search "$d/chmcmd_fts.chm" cp1252 "${body[@]}" | tail -n +2 >"$work/theirs_b.txt"
  /usr/bin/python3 - "$d" "$work/ours_b.txt" "$work/theirs_b.txt" <<'PY'
import html.parser, os, re, sys
root, ours, theirs = sys.argv[1:4]

class Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.skip = 0
        self.parts = []
    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style", "title"):
            self.skip += 1
    def handle_endtag(self, tag):
        if tag in ("script", "style", "title"):
            self.skip = max(0, self.skip - 1)
    def handle_data(self, data):
        if not self.skip:
            self.parts.append(data)

words = {}
for d, _, names in os.walk(os.path.join(root, "doc")):
    for n in names:
        if n.endswith(".html"):
            p = Text()
            p.feed(open(os.path.join(d, n), encoding="utf-8", errors="replace").read())
            rel = os.path.relpath(os.path.join(d, n), root)
            for w in set(re.findall(r"[a-z0-9_]+", " ".join(p.parts).lower().replace("'", ""))):
                words.setdefault(w, set()).add(rel)

def read(path):
    return {l.split("\t")[0]: set(l.rstrip("\n").split("\t")[1].split()) for l in open(path)}

o, t = read(ours), read(theirs)
for w in o:
    want = words.get(w, set())
    print("  %-12s %5d %5d %5d   %d, %d   %d, %d"
          % (w, len(o[w]), len(t[w]), len(want), len(want - o[w]), len(o[w] - want),
             len(want - t[w]), len(t[w] - want)))
PY
}

for d in "$dir" "$clean"; do
  echo "== $(basename "$d")"
  printf "%-8s %-6s %12s %12s %8s\n" writer search bytes "\$FIftiMain" "wall s"
  measure "$d"
  echo
  searches "$d"
  echo
done

if [ "${FULLTEXT_BENCH_LIBSTDCXX:-0}" = 1 ]; then
  stl=/usr/share/doc/gcc-12-base/libstdc++
  [ -d "$stl" ] || apt-get install -y libstdc++-12-doc >/dev/null
  make_project libstdcxx "$stl"
  d=$work/libstdcxx
  sed 's/^Full-text search=No/Full-text search=Yes/' "$d/libstdcxx.hhp" >"$d/fts.hhp"
  cp "$d/libstdcxx.hhp" "$d/nofts.hhp"
  echo "== libstdcxx"
  printf "%-8s %-6s %12s %12s %8s\n" writer search bytes "\$FIftiMain" "wall s"
  measure "$d"
fi
