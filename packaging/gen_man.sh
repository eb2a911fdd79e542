#!/usr/bin/env bash
# Writes a program's man page from its own --help and --version with
# help2man, gzipped. For wrenlow-cli it adds a COMMANDS section made of each
# command's usage line and summary, asked of the program.
# usage: gen_man.sh PROGRAM NAME-LINE EXTRA.h2m OUT.1.gz
set -euo pipefail
program=$1 name=$2 extra=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
includes=()
# help2man takes a line "Usage: ..." for the synopsis; the programs write
# "usage:", so it asks them through a wrapper of the same name.
wrapper=$work/$(basename "$program")
printf '#!/bin/sh\n"%s" "$@" | sed "1s/^usage:/Usage:/"\n' "$program" >"$wrapper"
chmod +x "$wrapper"

roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e 's/^[.'"'"']/\\\&&/'; }
if [ "$(basename "$program")" = wrenlow-cli ]; then
  {
    echo "[COMMANDS]"
    "$program" --help | awk '/^commands:/ {on=1; next} on && /^$/ {exit} on && /^  [a-z]/ {print $1}' |
      while read -r c; do
        echo ".TP"
        echo ".B wrenlow\\-cli $("$program" "$c" --help | sed -n '1s/^usage: wrenlow-cli //p' | roff)"
        "$program" "$c" --help | sed -n '2,$p' | roff
      done
  } >"$work/commands.h2m"
  includes+=(--include "$work/commands.h2m")
fi
includes+=(--include "$extra")
help2man --no-info --section=1 --name="$name" "${includes[@]}" --output="$work/page.1" "$wrapper"
gzip -9n <"$work/page.1" >"$out"
