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
import hashlib, os, shutil, statistics, subprocess, sys, tempfile, time

QUIET = 1.5

def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()

def picture(window):
    data = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True).stdout
    return hashlib.md5(data).hexdigest()

def settle(window, since, quiet=QUIET, limit=60.0):
    """Seconds from since to the picture's last change before quiet still seconds."""
    last, changed = picture(window), time.perf_counter()
    while time.perf_counter() - changed < quiet and time.perf_counter() - since < limit:
        now = picture(window)
        if now != last:
            last, changed = now, time.perf_counter()
    return changed - since

# Where each reader puts what the benchmark clicks, its window at the top
# left (screen coordinates), and how its title is found.
READERS = {
    "xchm": dict(title="xCHM", index_tab=[(157, 126)], search_tab=[(157, 126), (157, 126)],
                 index_box=(85, 161), search_box=(85, 161)),
    "kchmviewer": dict(title="kchmviewer", index_tab=[(123, 133)], search_tab=[(188, 133)],
                       index_box=(100, 166), search_box=(100, 191)),
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
    return READERS[reader]["title"]

def run(reader, chm, chm_title, words, keys):
    home = tempfile.mkdtemp(prefix="peer-home-")
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
    spot = READERS[reader.split(":")[0]]
    if keys:
        for x, y in spot["index_tab"]:
            xdo("mousemove", str(x), str(y), "click", "1")
            time.sleep(0.3)
        x, y = spot["index_box"]
        xdo("mousemove", str(x), str(y), "click", "1")
        time.sleep(1)
        times = []
        for k in keys:
            t = time.perf_counter()
            xdo("type", "--delay", "0", k)
            times.append(settle(window, t, quiet=0.5, limit=10))
        result["key max"] = max(times)
        result["key mean"] = statistics.mean(times)
    if words:
        for x, y in spot["search_tab"]:
            xdo("mousemove", str(x), str(y), "click", "1")
            time.sleep(0.3)
        x, y = spot["search_box"]
        xdo("mousemove", str(x), str(y), "click", "1")
        time.sleep(0.3)
        for n, w in enumerate(words):
            xdo("key", "ctrl+a", "BackSpace")
            xdo("type", "--delay", "0", w)
            time.sleep(0.5)
            t = time.perf_counter()
            xdo("key", "Return")
            result["search%d" % (n + 1)] = settle(window, t, quiet=1.5, limit=120)
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
