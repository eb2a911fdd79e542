#!/usr/bin/python3
"""Searches a compiled help file's full-text index with python3-chm.

usage: fulltext_search.py [--titles] [--prefix] FILE ENCODING WORD...
Prints "searchable" or "not searchable", then for each word one line: the
word, a tab and the pages found (sorted, blank-separated). Words are encoded
in ENCODING, the help file's code page, as the reader expects them.
--titles looks in the words of page titles only; --prefix finds the words
beginning with each WORD as well.
"""
import sys

from chm import chm

args = sys.argv[1:]
titles = prefix = False
while args[:1] in (["--titles"], ["--prefix"]):
    titles = titles or args[0] == "--titles"
    prefix = prefix or args[0] == "--prefix"
    args = args[1:]
path, encoding, words = args[0], args[1], args[2:]
f = chm.CHMFile()
if not f.LoadCHM(path):
    sys.exit("cannot open " + path)
print("searchable" if f.IsSearchable() else "not searchable")
for word in words:
    found = f.Search(word.encode(encoding), 0 if prefix else 1, 1 if titles else 0)
    pages = sorted(p.decode(encoding) for p in found[1].values()) if found else []
    print(word + "\t" + " ".join(pages))
