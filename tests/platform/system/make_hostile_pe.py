#!/usr/bin/env python3
"""Writes small PE files whose version resources break careless readers, and
one sound file beside them to show the layout itself is right.

usage: make_hostile_pe.py OUTDIR
       make_hostile_pe.py --version A.B.C.D FILE   (a sound file of that version)

  sound.dll                      version 6.1.7601.23456 (PE32)
  sound64.dll                    the same as PE32+
  big-resource.dll               a root block of 9,100 bytes: its fixed
                                 information lies in the first 4,096 bytes
                                 and still reads
  truncated.dll                  sound.dll cut inside the version block
  block-length-past-end.dll      the root block claims more bytes than the
                                 resource holds
  children-loop.dll              a child block of length 0 (a walker over the
                                 children never advances) and a child that
                                 claims the whole block again
  directory-loop.dll             the name level of the resource tree points
                                 back at the root directory
  entry-count-past-end.dll       65,535 + 65,535 entries claimed in a root of
                                 24 bytes
  key-without-end.dll            the root block's key runs to the end unterminated
  data-rva-outside.dll           the resource data entry points past every section
  sections-65535.dll             the file header claims 65,535 sections
  new-header-past-end.dll        e_lfanew points past the end of the file
  bad-signature.dll              the fixed information lacks 0xFEEF04BD
"""
import os
import struct
import sys

SECTION_RVA = 0x1000
SECTION_RAW = 0x200
MS = (6 << 16) | 1
LS = (7601 << 16) | 23456


def fixed_info(signature=0xFEEF04BD, ms=MS, ls=LS):
    return struct.pack("<13I", signature, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 2, 0, 0, 0)


def block(key, value, children=b"", length=None, value_length=None):
    head_key = key.encode("utf-16-le") + b"\0\0"
    body = head_key
    pad = (-(6 + len(body))) % 4
    body += b"\0" * pad + value
    body += b"\0" * ((-(6 + len(body))) % 4) + children
    total = 6 + len(body)
    return struct.pack("<3H", total if length is None else length,
                       len(value) if value_length is None else value_length, 0) + body


def version_resource(**kw):
    strings = block("StringFileInfo", b"")
    return block("VS_VERSION_INFO", fixed_info(kw.pop("signature", 0xFEEF04BD)), strings, **kw)


def directory(entries):
    out = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(entries))
    for ident, target in entries:
        out += struct.pack("<II", ident, target)
    return out


def resource_section(data, name_target=0x80000030, data_rva=None, root=None):
    sec = bytearray()
    sec += root if root is not None else directory([(16, 0x80000018)])
    sec += directory([(1, name_target)])
    sec += directory([(0x409, 0x48)])
    assert len(sec) == 0x48
    rva = SECTION_RVA + 0x58 if data_rva is None else data_rva
    sec += struct.pack("<IIII", rva, len(data), 0, 0)
    sec += data
    return bytes(sec)


def pe(section, plus=False, sections=1, lfanew=0x40):
    dos = bytearray(0x40)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, lfanew)
    opt_size = 240 if plus else 224
    coff = struct.pack("<HHIIIHH", 0x8664 if plus else 0x14C, sections, 0, 0, 0, opt_size, 0x2102)
    opt = bytearray(opt_size)
    struct.pack_into("<H", opt, 0, 0x20B if plus else 0x10B)
    count_at = 108 if plus else 92
    struct.pack_into("<I", opt, count_at, 16)
    struct.pack_into("<II", opt, count_at + 4 + 2 * 8, SECTION_RVA, len(section))
    raw_size = (len(section) + 0x1FF) & ~0x1FF
    sh = struct.pack("<8sIIIIIIHHI", b".rsrc", len(section), SECTION_RVA, raw_size, SECTION_RAW,
                     0, 0, 0, 0, 0x40000040)
    head = bytes(dos) + b"PE\0\0" + coff + bytes(opt) + sh
    assert len(head) <= SECTION_RAW
    return head + b"\0" * (SECTION_RAW - len(head)) + section + b"\0" * (raw_size - len(section))


def main():
    if sys.argv[1] == "--version":
        a, b, c, d = (int(x) for x in sys.argv[2].split("."))
        res = block("VS_VERSION_INFO", fixed_info(ms=(a << 16) | b, ls=(c << 16) | d),
                    block("StringFileInfo", b""))
        os.makedirs(os.path.dirname(os.path.abspath(sys.argv[3])), exist_ok=True)
        with open(sys.argv[3], "wb") as f:
            f.write(pe(resource_section(res)))
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    sound = pe(resource_section(version_resource()))
    files = {
        "sound.dll": sound,
        "sound64.dll": pe(resource_section(version_resource()), plus=True),
        "big-resource.dll": pe(resource_section(block(
            "VS_VERSION_INFO", fixed_info(), block("StringFileInfo", b"\0" * 9000)))),
        "truncated.dll": sound[:SECTION_RAW + 0x58 + 50],
        "block-length-past-end.dll": pe(resource_section(version_resource(length=0xFFF0))),
        "children-loop.dll": pe(resource_section(block(
            "VS_VERSION_INFO", fixed_info(),
            struct.pack("<3H", 0, 0, 0) + block("StringFileInfo", b"", length=0x200)))),
        "directory-loop.dll": pe(resource_section(version_resource(), name_target=0x80000000)),
        "entry-count-past-end.dll": pe(resource_section(
            version_resource(), root=struct.pack("<IIHHHH", 0, 0, 0, 0, 0xFFFF, 0xFFFF)
            + struct.pack("<II", 16, 0x80000018))),
        "key-without-end.dll": pe(resource_section(
            struct.pack("<3H", 60, 52, 0) + "VS_VERSION_INFO_VS_VERSION_INFO".encode("utf-16-le")[:54])),
        "data-rva-outside.dll": pe(resource_section(version_resource(), data_rva=0x7FFFFFF0)),
        "sections-65535.dll": pe(resource_section(version_resource()), sections=0xFFFF),
        "new-header-past-end.dll": pe(resource_section(version_resource()), lfanew=0x7FFFFFF0),
        "bad-signature.dll": pe(resource_section(version_resource(signature=0xFEEF04BC))),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
