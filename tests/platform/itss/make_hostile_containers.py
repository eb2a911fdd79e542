#!/usr/bin/env python3
"""Writes containers whose headers or directories cost a careless reader
memory or time out of all proportion to their size.

usage: make_hostile_containers.py OUTDIR SOURCE.chm

  reset-interval-2p20.chm   SOURCE with its LZX reset interval set to 2^20
                            frames (version-2 units)
  slash-names.chm           one "/index.htm" and, in each of 48 chunks of
                            64 KiB, one name of ~65,000 "/" characters
  folders-200000.chm        200,000 folders holding one file each
"""
import os
import struct
import sys


def encint(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def entry(name, section, offset, length):
    n = name.encode()
    return encint(len(n)) + n + encint(section) + encint(offset) + encint(length)


def container(chunks_of_entries, chunk_size, content):
    """An ITSF version 3 file: listing chunks only (no index), section 0
    holding content."""
    chunks = []
    count = len(chunks_of_entries)
    for i, entries in enumerate(chunks_of_entries):
        body = b"".join(entries)
        free = chunk_size - 0x14 - len(body)
        assert free >= 2, "entries overflow the chunk"
        head = b"PMGL" + struct.pack("<IIii", free, 0, i - 1, i + 1 if i + 1 < count else -1)
        tail = bytes(free - 2) + struct.pack("<H", len(entries))
        chunks.append(head + body + tail)
    guid_a = bytes.fromhex("10fd017caa7bd0119e0c00a0c922e6ec")
    guid_b = bytes.fromhex("11fd017caa7bd0119e0c00a0c922e6ec")
    hs0_off, hs0_len = 0x60, 0x18
    hs1_off = hs0_off + hs0_len
    dir_len = 0x54 + chunk_size * count
    content_off = hs1_off + dir_len
    total = content_off + len(content)
    itsf = b"ITSF" + struct.pack("<IIIII", 3, 0x60, 1, 0, 0x804) + guid_a + guid_b
    itsf += struct.pack("<QQQQQ", hs0_off, hs0_len, hs1_off, dir_len, content_off)
    hs0 = struct.pack("<IIQII", 0x1FE, 0, total, 0, 0)
    itsp = b"ITSP" + struct.pack("<IIIIIIiiiiII", 1, 0x54, 10, chunk_size, 2, 1, -1, 0, count - 1,
                                 -1, count, 0x804)
    itsp += bytes.fromhex("6a92025d2e21d0119df900a0c922e6ec") + struct.pack("<Iiii", 0x54, -1, -1, -1)
    assert len(itsf) == 0x60 and len(hs0) == 0x18 and len(itsp) == 0x54
    return itsf + hs0 + itsp + b"".join(chunks) + content


def pack(entries, chunk_size):
    chunks, current, used = [], [], 0
    for e in entries:
        if used + len(e) > chunk_size - 0x14 - 2:
            chunks.append(current)
            current, used = [], 0
        current.append(e)
        used += len(e)
    if current:
        chunks.append(current)
    return chunks


def reset_interval(source):
    data = bytearray(open(source, "rb").read())
    at = data.find(b"LZXC")
    if at < 4:
        raise SystemExit("no LZX control data in " + source)
    struct.pack_into("<II", data, at + 4, 2, 0x100000)  # version 2, interval in frames
    return bytes(data)


def slash_names():
    page = b"<html><body>still here</body></html>"
    chunk = 0x10000
    per_name = chunk - 0x14 - 2 - 16
    chunks = [[entry("/index.htm", 0, 0, len(page))]]
    for i in range(48):
        chunks.append([entry("/" * (per_name - 4) + "x%03d" % i, 0, 0, len(page))])
    return container(chunks, chunk, page)


def folders(count):
    page = b"<p>one</p>"
    entries = [entry("/d%06d/f.htm" % i, 0, 0, len(page)) for i in range(count)]
    return container(pack(entries, 4096), 4096, page)


def main():
    out, source = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    files = {
        "reset-interval-2p20.chm": reset_interval(source),
        "slash-names.chm": slash_names(),
        "folders-200000.chm": folders(200000),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
