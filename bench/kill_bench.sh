#!/usr/bin/env bash
# Kill test: compile, recompile, copy and pack are each killed with SIGKILL at
# random moments while they write over an existing target. After every kill
# the target must be either the old file or the complete new one (compared by
# SHA-256 with an uninterrupted run), and no temporary file may be left in
# the target's folder. Prints, per tool, the run time and how many kills left
# the old file, the new one, or anything else.
#
# usage: bench/kill_bench.sh [--kills N] [--level fast|strong] CLI [FILE.chm]
#   FILE.chm defaults to the large benchmark file (bench/make_big_chm.sh).
#   Exit status 1 when any kill left something else.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kills=20
level=strong
while [ $# -gt 0 ]; do
  case $1 in
    --kills) kills=$2; shift 2 ;;
    --level) level=$2; shift 2 ;;
    *) break ;;
  esac
done
cli=$(realpath "$1")
source_chm=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -z "$source_chm" ]; then
  source_chm=$work/big.chm
  "$top/bench/make_big_chm.sh" "$source_chm" "$work/make" 2>/dev/null
fi
if [ ! -f "$source_chm" ]; then
  echo "no file $source_chm" >&2
  exit 77
fi
source_chm=$(realpath "$source_chm")
export SOURCE_DATE_EPOCH=1700000000  # compile writes the same bytes every run

# The inputs: the file itself, and its decompiled files with a project.
mkdir -p "$work/proj" "$work/out"
"$cli" -q decompile "$source_chm" "$work/proj" >/dev/null 2>&1 || true
project=$(find "$work/proj" -maxdepth 1 -name '*.hhp' | head -1)
if [ -z "$project" ]; then
  echo "no project file from decompiling $source_chm" >&2
  exit 2
fi

target=$work/out/target.chm
old_bytes="an old target the user wants to keep"
command_for() {
  case $1 in
    compile) echo "$cli" -q compile "$project" -o "$target" --level="$level" ;;
    recompile) echo "$cli" -q recompile "$source_chm" "$target" --level="$level" ;;
    copy) echo "$cli" -q copy "$source_chm" "$target" ;;
    pack) echo "$cli" -q pack "$work/proj" "$target" ;;
  esac
}
sum() { sha256sum "$1" | cut -d' ' -f1; }
reset_target() { printf '%s' "$old_bytes" >"$target"; }
now() { date +%s.%N; }

reset_target
old_sum=$(sum "$target")
bad=0
printf '%-10s %8s %6s %5s %5s %6s %9s\n' tool "time s" kills old new other leftover
for tool in compile recompile copy pack; do
  read -r -a cmd <<<"$(command_for "$tool")"
  reset_target
  start=$(now)
  "${cmd[@]}" >/dev/null 2>&1 || true
  secs=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  new_sum=$(sum "$target")
  reset_target
  "${cmd[@]}" >/dev/null 2>&1 || true
  if [ "$(sum "$target")" != "$new_sum" ]; then
    echo "$tool: two uninterrupted runs wrote different files" >&2
    exit 2
  fi
  olds=0 news=0 others=0 leftover=0
  for _ in $(seq "$kills"); do
    reset_target
    delay=$(awk -v t="$secs" -v r="$RANDOM" 'BEGIN { printf "%.3f", t * r / 32768 }')
    "${cmd[@]}" >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    got=$(sum "$target")
    if [ "$got" = "$old_sum" ]; then
      olds=$((olds + 1))
    elif [ "$got" = "$new_sum" ]; then
      news=$((news + 1))
    else
      others=$((others + 1))
    fi
    n=$(find "$work/out" -mindepth 1 ! -name target.chm | wc -l)
    if [ "$n" != 0 ]; then
      leftover=$((leftover + n))
      find "$work/out" -mindepth 1 ! -name target.chm -delete
    fi
  done
  printf '%-10s %8.2f %6d %5d %5d %6d %9d\n' "$tool" "$secs" "$kills" "$olds" "$news" "$others" \
    "$leftover"
  if [ "$others" != 0 ] || [ "$leftover" != 0 ]; then bad=1; fi
done
ls -l "$source_chm" | awk '{ print "source:", $5, "bytes" }'
exit "$bad"
