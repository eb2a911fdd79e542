#!/usr/bin/python3
"""Contents, index and search of the corpus files as outside readers see them.

For every corpus file with a contents or an index (a sitemap file, #TOCIDX or
a keyword tree), three versions:
  orig  the file as shipped;
  bt    decompiled and compiled again with "Binary TOC=Yes" and
        "Binary Index=Yes" (LZX reset interval 64 KiB, the longest chmls
        decodes; with the default interval chmls reads nothing);
  rc    recompiled with the default options.
Columns: entries of chmls extracttoc / extractindex (sitemap objects in its
output; "-" when it writes none), entries of the .hhc/.hhk stored in the file
(what readers of the sitemap files alone show), and python3-chm's search for
five words of the file's pages: pages found that hold the word / pages that
hold it (+ pages found that do not).

usage: readers_table.py [BUILD_DIR] [WORKDIR] [FILE...]
Slow (minutes); not run by the tests.
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys

from chm import chm, chmlib, extra

# python3-chm's fallback LCID reader uses struct without importing it.
extra.struct = struct

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build")
WORK = sys.argv[2] if len(sys.argv) > 2 else "/tmp/readers-table"
ONLY = sys.argv[3:]
CLI = os.path.join(BUILD, "src/cli/wrenlow-cli")
CORPUS = os.environ.get("WRENLOW_CORPUS_DIR",
                        os.path.join(TOP, "..", "shared", "corpus", "files"))
if not os.path.isdir(CORPUS):
    CORPUS = "/work/shared/corpus/files"

ENCODINGS = {0x804: "gbk", 0x404: "cp950", 0x411: "cp932", 0x412: "cp949", 0x419: "cp1251"}


def run(*args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=600)


def objects(text):
    return len(re.findall(rb'<object[^>]*text/sitemap', text, re.I))


def names(f):
    out = []

    def each(_, ui, __):
        out.append(ui.path)
        return chmlib.CHM_ENUMERATOR_CONTINUE
    chmlib.chm_enumerate(f.file, chmlib.CHM_ENUMERATE_ALL, each, None)
    return out


def read(f, name):
    r, ui = f.ResolveObject(name)
    if r != 0:
        return None
    return f.RetrieveObject(ui)[1]


def open_chm(path):
    f = chm.CHMFile()
    return f if f.LoadCHM(path.encode()) else None


def lcid(f):
    system = read(f, b"/#SYSTEM") or b""
    pos = 4
    while pos + 4 <= len(system):
        code = int.from_bytes(system[pos:pos + 2], "little")
        length = int.from_bytes(system[pos + 2:pos + 4], "little")
        if code == 4 and length >= 4:
            return int.from_bytes(system[pos + 4:pos + 8], "little")
        pos += 4 + length
    return 0x409


def sitemap_counts(path):
    """Entries of the stored .hhc and .hhk files."""
    f = open_chm(path)
    if not f:
        return "-", "-"
    toc = idx = 0
    for n in names(f):
        low = n.lower()
        if low.endswith(b".hhc") or low.endswith(b".hhk"):
            data = read(f, n) or b""
            if low.endswith(b".hhc"):
                toc += objects(data)
            else:
                idx += objects(data)
    return toc, idx


def chmls_counts(path, work):
    out = []
    for cmd, name in (("extracttoc", "toc.out"), ("extractindex", "idx.out")):
        target = os.path.join(work, name)
        if os.path.exists(target):
            os.remove(target)
        run("chmls", cmd, path, target)
        out.append(objects(open(target, "rb").read()) if os.path.exists(target) else "-")
    return out


def page_words(path):
    """word -> set of pages whose text holds it, and the file's encoding."""
    f = open_chm(path)
    enc = ENCODINGS.get(lcid(f) & 0xFFFF, "cp1252")
    where = {}
    for n in names(f):
        if not re.search(rb"\.html?$", n, re.I):
            continue
        raw = read(f, n) or b""
        page_enc = "utf-8" if re.search(rb'charset\s*=\s*"?utf-8', raw[:2048], re.I) else enc
        text = raw.decode(page_enc, "replace")
        text = re.sub(r"(?is)<(script|style|title)\b.*?</\1\s*>", " ", text)
        text = re.sub(r"(?s)<!--.*?-->", " ", text)
        text = re.sub(r"(?s)<[^>]*>", " ", text)
        for w in set(re.findall(r"(?<![A-Za-z0-9_])[A-Za-z]{5,12}(?![A-Za-z0-9_])", text)):
            where.setdefault(w.lower(), set()).add(n.decode(enc, "replace").lstrip("/"))
    return where, enc


def choose_words(where):
    """Five words held by one to four pages, chosen by a hash of the word."""
    fit = [w for w, pages in where.items() if 1 <= len(pages) <= 4]
    fit.sort(key=lambda w: hashlib.sha1(w.encode()).hexdigest())
    return fit[:5]


def search(path, words, enc, where):
    f = open_chm(path)
    if not f or not f.IsSearchable():
        return "not searchable"
    hit = total = extra = 0
    for w in words:
        found = f.Search(w.encode(enc), 1, 0)
        pages = {p.decode(enc, "replace").lstrip("/") for p in found[1].values()} if found else set()
        truth = where[w]
        hit += len(pages & truth)
        total += len(truth)
        extra += len(pages - truth)
    return "%d/%d" % (hit, total) + (" (+%d)" % extra if extra else "")


def has_tables(path):
    f = open_chm(path)
    if not f:
        return False
    for n in names(f):
        low = n.lower()
        if low.endswith(b".hhc") or low.endswith(b".hhk") or low in (b"/#tocidx", b"/$wwkeywordlinks/btree"):
            return True
    return False


def binary_project(folder):
    hhp = [p for p in os.listdir(folder) if p.lower().endswith(".hhp")][0]
    path = os.path.join(folder, hhp)
    text = open(path, "rb").read()
    text = re.sub(rb"\r?\nBinary (TOC|Index)=[^\r\n]*", b"", text)
    text = text.replace(b"[OPTIONS]\r\n", b"[OPTIONS]\r\nBinary TOC=Yes\r\nBinary Index=Yes\r\n", 1)
    open(path, "wb").write(text)
    return path


def main():
    os.makedirs(WORK, exist_ok=True)
    files = sorted(n for n in os.listdir(CORPUS) if n.lower().endswith(".chm"))
    if ONLY:
        files = [n for n in files if n in ONLY]
    print("| file | version | chmls toc | chmls index | stored .hhc | stored .hhk | search (5 words) |")
    print("|---|---|---|---|---|---|---|")
    for name in files:
        source = os.path.join(CORPUS, name)
        if not has_tables(source):
            continue
        work = os.path.join(WORK, name)
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(os.path.join(work, "d"))
        run(CLI, "--quiet", "decompile", source, os.path.join(work, "d"))
        bt = os.path.join(work, "bt.chm")
        try:
            run(CLI, "--quiet", "compile", binary_project(os.path.join(work, "d")), "-o", bt,
                "--reset", "2", "--window", "2")
        except IndexError:
            pass
        rc = os.path.join(work, "rc.chm")
        run(CLI, "--quiet", "recompile", source, rc)
        where, enc = page_words(source)
        words = choose_words(where)
        for label, path in (("orig", source), ("bt", bt), ("rc", rc)):
            if not os.path.exists(path):
                print("| %s | %s | not written | | | | |" % (name, label))
                continue
            toc, idx = chmls_counts(path, work)
            stoc, sidx = sitemap_counts(path)
            found = search(path, words, enc, where)
            print("| %s | %s | %s | %s | %s | %s | %s |" % (name, label, toc, idx, stoc, sidx, found))
        print("| %s | words | %s | | | | |" % (name, " ".join(words)))
        sys.stdout.flush()


main()
