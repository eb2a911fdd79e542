#!/usr/bin/env python3
"""Times commands side by side: each runs RUNS times after one warm-up run,
all of them in turn (A B C A B C ...), so that a change in the machine's load
falls on every command alike. Each run is a whole process, measured from
outside: wall time from a monotonic clock, CPU time (user + system) from the
kernel's accounting of the finished process and everything it waited for.

Prints, per command, the median and the spread (min-max) of wall and CPU
seconds, then for every command after the first its ratios to the first: the
median of the per-round ratios (a pair taken in one round shares the load).

usage: paired_time.py [--runs N] [--fresh DIR] NAME=COMMAND ...
  COMMAND is run by /bin/sh. With --fresh DIR, an empty folder DIR/out is made
  before each run (and removed after it) and the command runs in it; the
  folder's making and removal are outside the timing. The variable $OUT holds
  its path.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


def run_once(command, fresh):
    env = dict(os.environ)
    cwd = None
    if fresh:
        out = os.path.join(fresh, "out")
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        env["OUT"] = out
        cwd = out
    start = time.monotonic()
    proc = subprocess.Popen(["/bin/sh", "-c", command], cwd=cwd, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if fresh:
        shutil.rmtree(os.path.join(fresh, "out"), ignore_errors=True)
    return wall, usage.ru_utime + usage.ru_stime, proc.returncode


def spread(values):
    return "%.3f (%.3f-%.3f)" % (statistics.median(values), min(values), max(values))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--fresh", default="")
    ap.add_argument("commands", nargs="+", metavar="NAME=COMMAND")
    args = ap.parse_args()
    named = []
    for c in args.commands:
        name, sep, command = c.partition("=")
        if not sep:
            ap.error("expected NAME=COMMAND: " + c)
        named.append((name, command))
    results = {name: [] for name, _ in named}
    codes = {name: set() for name, _ in named}
    for round_no in range(args.runs + 1):
        for name, command in named:
            wall, cpu, code = run_once(command, args.fresh)
            codes[name].add(code)
            if round_no > 0:  # round 0 warms caches up
                results[name].append((wall, cpu))
    print("%d paired runs each after one warm-up; median (min-max) seconds" % args.runs)
    print("%-20s %-24s %-24s %s" % ("", "wall", "cpu (user+sys)", "exit"))
    for name, _ in named:
        walls = [w for w, _ in results[name]]
        cpus = [c for _, c in results[name]]
        print("%-20s %-24s %-24s %s" % (name, spread(walls), spread(cpus),
                                        ",".join(str(c) for c in sorted(codes[name]))))
    base, _ = named[0]
    for name, _ in named[1:]:
        wall_ratios = [a[0] / b[0] for a, b in zip(results[base], results[name]) if b[0] > 0]
        cpu_ratios = [a[1] / b[1] for a, b in zip(results[base], results[name]) if b[1] > 0]
        if wall_ratios and cpu_ratios:
            print("ratio %s/%s: wall %s, cpu %s" % (base, name, spread(wall_ratios),
                                                   spread(cpu_ratios)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
