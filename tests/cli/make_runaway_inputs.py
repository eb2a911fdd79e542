#!/usr/bin/env python3
"""Writes inputs that make a careless reader's work or memory run away:
registry hives, sitemap files and folder trees, at a size given by N.

usage: make_runaway_inputs.py CASE OUT N

  Hives (OUT becomes a Wine prefix: OUT/system.reg, OUT/dosdevices/c: leading
  to OUT/drive_c; the help key "Software\\Microsoft\\Windows\\HTML Help"
  holds one value, "kept.chm", whose file exists):
  deep-key        a key N levels deep ("k\\k\\...", 3 bytes a level in the file)
  hex-lines       a binary value continued over N lines of 24 bytes each
  long-key-name   a key whose one name is N bytes long
  many-values     N more values in the help key, their files missing
  broken-hive     N values, then a key line without its "]": a hive that
                  cannot be parsed

  Projects (OUT/a.hhp compiling a.htm with OUT/a.hhc and OUT/a.hhk):
  nested-index    an index of N entries, each nested inside the one before
  nested-contents contents of N entries, each nested inside the one before

  Folders:
  deep-tree       OUT/d/d/.../d, N levels, with "top.chm" in OUT and
                  "bottom.chm" in the deepest folder
  closed-folder   OUT/a.htm, OUT/f1/ (mode 000) holding f1.htm, OUT/f2/b.htm,
                  and N more files in OUT/f2
"""
import os
import sys

HEADER = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n"
HELP_KEY = "[Software\\\\Microsoft\\\\Windows\\\\HTML Help] 1700000000\n#time=1d9f0a0b0c0d0e0\n"


def prefix(out, body_before_help, help_values, body_after=""):
    os.makedirs(os.path.join(out, "drive_c", "Help"), exist_ok=True)
    os.makedirs(os.path.join(out, "dosdevices"), exist_ok=True)
    link = os.path.join(out, "dosdevices", "c:")
    if not os.path.islink(link):
        os.symlink("../drive_c", link)
    open(os.path.join(out, "drive_c", "Help", "kept.chm"), "wb").close()
    with open(os.path.join(out, "system.reg"), "w", encoding="utf-8", newline="\n") as f:
        f.write(HEADER)
        f.write(body_before_help)
        f.write("\n" + HELP_KEY + '"kept.chm"="C:\\\\Help"\n')
        f.writelines(help_values)
        f.write(body_after)


def hive(case, out, n):
    if case == "deep-key":
        prefix(out, "[" + "\\\\".join(["k"] * n) + "] 1700000000\n", [])
    elif case == "hex-lines":
        row = "  " + ",".join(["5a"] * 24) + ",\\\n"
        body = '[Software\\\\Data] 1700000000\n"blob"=hex:00,\\\n' + row * n + "  00\n"
        prefix(out, body, [])
    elif case == "long-key-name":
        prefix(out, "[Software\\\\" + "n" * n + "] 1700000000\n\"v\"=dword:00000001\n", [])
    elif case == "many-values":
        prefix(out, "", ('"gone%07d.chm"="C:\\\\Gone"\n' % i for i in range(n)))
    elif case == "broken-hive":
        values = ('"v%07d.chm"="C:\\\\Help"\n' % i for i in range(n))
        prefix(out, "", values, "\n[Software\\\\Unfinished 1700000000\n")
    else:
        return False
    return True


def entry(i, local=True):
    link = '<param name="Local" value="a.htm">' if local else ""
    return ('<LI><OBJECT type="text/sitemap"><param name="Name" value="k%d">%s</OBJECT>\n'
            % (i, link))


def sitemap(path, n):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("<HTML><BODY>\n<UL>\n")
        for i in range(n):
            f.write(entry(i))
            f.write("<UL>\n")
        f.write("</UL>\n" * (n + 1))
        f.write("</BODY></HTML>\n")


def project(case, out, n):
    if case not in ("nested-index", "nested-contents"):
        return False
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "a.htm"), "w") as f:
        f.write("<html><head><title>A</title></head><body>a</body></html>\n")
    index = case == "nested-index"
    sitemap(os.path.join(out, "a.hhk" if index else "a.hhc"), n)
    with open(os.path.join(out, "a.hhp"), "w", newline="\r\n") as f:
        f.write("[OPTIONS]\nCompiled file=a.chm\nDefault topic=a.htm\n")
        f.write("Index file=a.hhk\nBinary Index=Yes\n" if index else
                "Contents file=a.hhc\nBinary TOC=Yes\n")
        f.write("\n[FILES]\na.htm\n")
    return True


def folders(case, out, n):
    if case == "deep-tree":
        os.makedirs(out, exist_ok=True)
        open(os.path.join(out, "top.chm"), "wb").close()
        # Relative steps: the path of the deepest folder is far beyond PATH_MAX.
        fd = os.open(out, os.O_RDONLY | os.O_DIRECTORY)
        for _ in range(n):
            try:
                os.mkdir("d", dir_fd=fd)
            except FileExistsError:
                pass
            child = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = child
        os.close(os.open("bottom.chm", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd))
        os.close(fd)
    elif case == "closed-folder":
        for sub in ("f1", "f2"):
            os.makedirs(os.path.join(out, sub), exist_ok=True)
        for name in ("a.htm", "f1/f1.htm", "f2/b.htm"):
            with open(os.path.join(out, name), "w") as f:
                f.write("<html><body>%s</body></html>\n" % name)
        for i in range(n):
            with open(os.path.join(out, "f2", "p%d.htm" % i), "w") as f:
                f.write("<p>%d</p>\n" % i)
        os.chmod(os.path.join(out, "f1"), 0)
    else:
        return False
    return True


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    case, out, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if not (hive(case, out, n) or project(case, out, n) or folders(case, out, n)):
        sys.exit("unknown case: " + case)


if __name__ == "__main__":
    main()
