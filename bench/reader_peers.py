#!/usr/bin/env python3
"""Times readers of compiled help from the outside, the same way for each,
as a user sees them on an X display (with a window manager running):

  start   launch to the window mapped ("map"), and to the window's picture
          last changing before it stays still for QUIET seconds ("still"):
          the file loaded, its contents and first page drawn;
  search  a word typed into the reader's search box, then Enter, to the
          window's picture last changing (a first search in a reader that
          builds its own index includes building it);
  keys    each key typed into the index's keyword box to the picture last
          changing.

The picture is the window's, read with xwd and hashed, polled as fast as
xwd allows (about 20-40 ms a poll on this machine), so each figure is good
to about one poll. Each run starts the reader with an empty HOME, so none
keeps an index or a place from an earlier run.

usage: reader_peers.py READER FILE RUNS WORD[,WORD...] KEYS TITLE
READER: wrenlow:PATH_TO_WRENLOW, xchm or kchmviewer; TITLE: the help
file's title (the reading window's title). "search1" is the first word's
search, "search2" the next word's.
"""
import hashlib, os, shutil, statistics, struct, subprocess, sys, tempfile, time

QUIET = 1.5
# With READER_SHOTS=PREFIX, the screen once the window is still (its
# contents pane), after the type-ahead and after each search is saved as
# PREFIX_<reader>_<what>.png, to check what was timed.
SHOTS = os.environ.get("READER_SHOTS")

def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()

def picture(window, region=None):
    """A hash of the window's picture, or of region (x0, y0, x1, y1, in the
    window's own coordinates) of it: a text box's blinking caret outside the
    region is not counted as a change."""
    data = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True).stdout
    if region is None or len(data) < 100:
        return hashlib.md5(data).hexdigest()
    header = struct.unpack(">25I", data[:100])
    size, width, height = header[0], header[4], header[5]
    bits, line, colours = header[11], header[12], header[19]
    start = size + colours * 12
    x0, y0, x1, y1 = region
    x0, x1 = max(0, min(x0, width)), max(0, min(x1, width))
    y0, y1 = max(0, min(y0, height)), max(0, min(y1, height))
    step = bits // 8
    digest = hashlib.md5()
    for y in range(y0, y1):
        row = start + y * line
        digest.update(data[row + x0 * step:row + x1 * step])
    return digest.hexdigest()

def settle(window, since, quiet=QUIET, limit=60.0, region=None, before=None, busy=None):
    """Seconds from since to the picture's last change before quiet still
    seconds; given the picture from before since, the picture must differ
    from it before it counts as still, and while a window titled busy (a
    progress box) is up the reader has not answered yet."""
    def waiting():
        return busy is not None and xdo("search", "--onlyvisible", "--name", busy)
    last, changed = picture(window, region), time.perf_counter()
    if before is not None:
        while (last == before or waiting()) and time.perf_counter() - since < limit:
            last = picture(window, region)
        changed = time.perf_counter()
    while time.perf_counter() - changed < quiet and time.perf_counter() - since < limit:
        now = picture(window, region)
        if now != last or waiting():
            last, changed = now, time.perf_counter()
    return changed - since

def origin(window):
    """Where the window's own area (inside any frame) is on the screen."""
    out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    x = int(out.split("Absolute upper-left X:")[1].split()[0])
    y = int(out.split("Absolute upper-left Y:")[1].split()[0])
    return x, y

def click(window, spot):
    x, y = origin(window)
    xdo("mousemove", str(x + spot[0]), str(y + spot[1]), "click", "1")

# Where each reader has what the benchmark clicks and the lists it watches,
# in the reader's window's own coordinates, its window at its first size.
READERS = {
    "wrenlow": dict(index_tab=[(71, 13)], search_tab=[(119, 13)], index_box=(130, 70),
                    search_box=(130, 70), index_list=(12, 90, 245, 700),
                    search_list=(12, 140, 245, 700)),
    "xchm": dict(title="xCHM v", index_tab=[(156, 106)], search_tab=[(156, 106), (156, 106)],
                 index_box=(84, 141), search_box=(84, 141), index_list=(4, 160, 167, 400),
                 search_list=(4, 255, 167, 400)),
    "kchmviewer": dict(title="kchmviewer", index_tab=[(123, 133)], search_tab=[(188, 133)],
                       index_box=(100, 166), search_box=(100, 191),
                       index_list=(22, 185, 278, 655), search_list=(22, 230, 278, 655),
                       busy="Generating search index"),
}

def launch(reader, chm, home):
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
               WRENLOW_CONFIG_DIR=home + "/wrenlow")
    if reader.startswith("wrenlow:"):
        return subprocess.Popen([reader.split(":", 1)[1], "--read", chm], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return subprocess.Popen([reader, chm], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)

def title_of(reader, chm_title):
    if reader.startswith("wrenlow:"):
        return chm_title
    return READERS[reader]["title"]  # the main window's, not a splash's

def run(reader, chm, chm_title, words, keys):
    home = tempfile.mkdtemp(prefix="peer-home-")
    xdo("mousemove", "1590", "1190")  # no tooltip over the window
    t0 = time.perf_counter()
    proc = launch(reader, chm, home)
    window = None
    while window is None and time.perf_counter() - t0 < 60:
        found = xdo("search", "--onlyvisible", "--name", title_of(reader, chm_title))
        window = found[0] if found else None
    result = {}
    if window is None:
        proc.kill()
        return result
    result["map"] = time.perf_counter() - t0
    result["still"] = settle(window, t0)
    xdo("windowmove", window, "0", "0")
    time.sleep(0.5)
    if SHOTS:
        subprocess.run(["import", "-window", "root", "-crop", "1000x720+0+0",
                        "%s_%s_contents.png" % (SHOTS, reader.split(":")[0])])
    spot = READERS[reader.split(":")[0]]

    def shoot(what):
        if SHOTS:
            subprocess.run(["import", "-window", "root", "-crop", "1000x720+0+0",
                            "%s_%s_%s.png" % (SHOTS, reader.split(":")[0], what)])

    if keys:
        for tab in spot["index_tab"]:
            click(window, tab)
            time.sleep(0.3)
        click(window, spot["index_box"])
        time.sleep(1)
        times = []
        for k in keys:
            t = time.perf_counter()
            xdo("type", "--delay", "0", k)
            times.append(settle(window, t, quiet=0.5, limit=10,
                                region=spot["index_list"]))
        shoot("index")
        result["key max"] = max(times)
        result["key mean"] = statistics.mean(times)
    if words:
        for tab in spot["search_tab"]:
            click(window, tab)
            time.sleep(0.3)
        click(window, spot["search_box"])
        time.sleep(0.3)
        for n, w in enumerate(words):
            click(window, spot["search_box"])  # the focus may have gone to the results
            time.sleep(0.3)
            xdo("key", "ctrl+a", "BackSpace")
            xdo("type", "--delay", "0", w)
            time.sleep(0.5)
            before = picture(window, spot["search_list"])
            t = time.perf_counter()
            xdo("key", "Return")
            result["search%d" % (n + 1)] = settle(window, t, quiet=1.5, limit=120,
                                                  region=spot["search_list"], before=before,
                                                  busy=spot.get("busy"))
            shoot("search%d" % (n + 1))
    proc.kill()
    proc.wait()
    shutil.rmtree(home, ignore_errors=True)
    return result

def main():
    reader, chm, runs = sys.argv[1], os.path.abspath(sys.argv[2]), int(sys.argv[3])
    words = [w for w in sys.argv[4].split(",") if w]
    keys, chm_title = sys.argv[5], sys.argv[6]
    results = [run(reader, chm, chm_title, words, keys) for _ in range(runs)]
    name = reader.split(":")[0]
    for key in ["map", "still", "key max", "key mean"] + ["search%d" % (i + 1) for i in range(len(words))]:
        values = [r[key] for r in results if key in r]
        if values:
            print("%-10s %-8s median %6.0f ms (runs: %s)" % (
                name, key, statistics.median(values) * 1e3,
                " ".join("%.0f" % (v * 1e3) for v in values)))
        else:
            print("%-10s %-8s not measured" % (name, key))

if __name__ == "__main__":
    main()
