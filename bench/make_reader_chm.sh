#!/usr/bin/env bash
# Builds the reading window's benchmark file: the libstdc++ reference (the
# project compile_bench.sh generates, one contents entry per page) with
# full-text search, a binary contents and a binary index of 20,000 keywords.
# The keywords are what a reader of that reference looks up: the names its
# pages link ("vector", "push_back", "std::allocator"...) leading to the
# pages they link to, the std:: names a page mentions leading to that page,
# and the page titles and headings; where there are more, every n-th is dropped so that
# exactly KEYWORDS (default 20000) remain. Many have several topics.
# usage: make_reader_chm.sh WRENLOW_CLI OUT.chm [WORKDIR] [KEYWORDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=$1
out=$2
work=${3:-$(mktemp -d)}
count=${4:-20000}
stl=/usr/share/doc/gcc-12-base/libstdc++
[ -d "$stl" ] || apt-get install -y libstdc++-12-doc >/dev/null
source <(sed -n '/^make_project() {/,/^}/p' "$top/bench/compile_bench.sh")
make_project libstdcxx "$stl"
dir=$work/libstdcxx
python3 - "$dir" "$count" <<'PY'
import collections, html, os, re, sys
root, wanted = sys.argv[1], int(sys.argv[2])
keywords = collections.defaultdict(set)
link = re.compile(rb'<a class="el" href="([^"#]+)[^"]*">([^<]{1,120})</a>')
name = re.compile(rb'\b(std::[A-Za-z_][\w:]{2,80})')
title = re.compile(rb"<title>(.*?)</title>", re.S | re.I)
heading = re.compile(rb"<h[1-4][^>]*>(.*?)</h[1-4]>", re.S | re.I)
tag = re.compile(r"<[^>]*>")
for d, _, names in os.walk(os.path.join(root, "doc")):
    for n in names:
        if not n.endswith((".html", ".htm")):
            continue
        path = os.path.join(d, n)
        page = os.path.relpath(path, root)
        data = open(path, "rb").read()
        for href, text in link.findall(data):
            target = os.path.normpath(os.path.join(os.path.dirname(page), href.decode()))
            if os.path.isfile(os.path.join(root, target)):
                keywords[html.unescape(text.decode("utf-8", "replace")).strip()].add(target)
        for text in name.findall(data):
            keywords[text.decode()].add(page)
        for text in title.findall(data)[:1] + heading.findall(data):
            text = " ".join(html.unescape(tag.sub("", text.decode("utf-8", "replace"))).split())
            if 0 < len(text) <= 120:
                keywords[text].add(page)
names = sorted(k for k in keywords if k and "\n" not in k)
if len(names) < wanted:
    sys.exit("only %d keywords" % len(names))
step = len(names) / wanted
names = [names[int(i * step)] for i in range(wanted)]
with open(os.path.join(root, "libstdcxx.hhk"), "w", encoding="utf-8") as hhk:
    hhk.write("<HTML><BODY>\n<UL>\n")
    for k in names:
        hhk.write('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s">' % html.escape(k))
        for p in sorted(keywords[k])[:20]:
            hhk.write('<param name="Local" value="%s">' % html.escape(p))
        hhk.write("</OBJECT>\n")
    hhk.write("</UL>\n</BODY></HTML>\n")
several = sum(1 for k in names if len(keywords[k]) > 1)
print("%d keywords, %d with several topics" % (len(names), several), file=sys.stderr)
PY
sed -i 's/^Full-text search=No/Full-text search=Yes\nBinary TOC=Yes\nBinary Index=Yes\nIndex file=libstdcxx.hhk/' \
  "$dir/libstdcxx.hhp"
"$cli" --quiet compile "$dir/libstdcxx.hhp" -o "$out" >/dev/null
ls -l "$out" >&2
