#!/usr/bin/python3
"""Searches a compiled help file's full-text index with python3-chm.

usage: fulltext_search.py FILE ENCODING WORD...
Prints "searchable" or "not searchable", then for each word one line: the
word, a tab and the pages found (sorted, blank-separated). Words are encoded
in ENCODING, the help file's code page, as the reader expects them.
"""
import sys

from chm import chm

path, encoding, words = sys.argv[1], sys.argv[2], sys.argv[3:]
f = chm.CHMFile()
if not f.LoadCHM(path):
    sys.exit("cannot open " + path)
print("searchable" if f.IsSearchable() else "not searchable")
for word in words:
    found = f.Search(word.encode(encoding), 1, 0)
    pages = sorted(p.decode(encoding) for p in found[1].values()) if found else []
    print(word + "\t" + " ".join(pages))
