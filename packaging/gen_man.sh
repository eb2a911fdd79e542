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
# help2man takes "Usage: ..." and the "or: ..." lines after it for the
# synopsis; the programs write "usage:" and indent further forms, so it asks
# them through a wrapper of the same name that says it help2man's way.
base=$(basename "$program")
wrapper=$work/$base
printf '#!/bin/sh\n"%s" "$@" | sed -e "1s/^usage:/Usage:/" -e "2,3s/^ *%s /  or: %s /"\n' \
  "$program" "$base" "$base" >"$wrapper"
chmod +x "$wrapper"

roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e 's/^[.'"'"']/\\\&&/'; }
if [ "$(basename "$program")" = wrenlow-cli ]; then
  {
    echo "[COMMANDS]"
    "$program" --help | awk '/^commands:/ {on=1; next} on && /^$/ {exit} on && /^  [a-z]/ {print $1}' |
      while read -r c; do
        # The usage line, the summary, then any further lines (a command's
        # options) as they are laid out.
        "$program" "$c" --help >"$work/command"
        echo ".TP"
        echo ".B wrenlow\\-cli $(sed -n '1s/^usage: wrenlow-cli //p' "$work/command" | roff)"
        sed -n '2,$p' "$work/command" | sed -e '/^$/d' -e '/^options:$/d' >"$work/rest"
        head -n 1 "$work/rest" | roff
        if [ "$(wc -l <"$work/rest")" -gt 1 ]; then
          echo ".nf"
          sed -n '2,$p' "$work/rest" | roff
          echo ".fi"
        fi
      done
  } >"$work/commands.h2m"
  includes+=(--include "$work/commands.h2m")
fi
includes+=(--include "$extra")
help2man --no-info --section=1 --name="$name" "${includes[@]}" --output="$work/page.1" "$wrapper"
gzip -9n <"$work/page.1" >"$out"
