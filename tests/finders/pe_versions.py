#!/usr/bin/python3
"""Prints each PE file's fixed file version as pefile reads it, one line per
file: PATH, a tab, then "MS LS" in hex, or "-" when pefile finds none.

usage: pe_versions.py FILE...
"""
import sys

import pefile

for path in sys.argv[1:]:
    try:
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        infos = getattr(pe, "VS_FIXEDFILEINFO", [])
        text = "%x %x" % (infos[0].FileVersionMS, infos[0].FileVersionLS) if infos else "-"
    except pefile.PEFormatError:
        text = "-"
    print("%s\t%s" % (path, text))
