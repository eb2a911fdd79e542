#!/usr/bin/env bash
# Screenshots of the reading window beside xCHM and KchmViewer on one help
# file: each reader's window once it is still (its contents), after KEYS are
# typed into its index's keyword box, and after a search for WORD; saved as
# OUT_PREFIX_<reader>_{contents,index,search1}.png. Runs on its own Xvfb
# display with openbox; reader_peers.py knows where each reader has its tabs.
# usage: reader_window_shots.sh WRENLOW FILE TITLE WORD KEYS OUT_PREFIX [DISPLAY_NUMBER]
# TITLE is the help file's title (the reading window's title).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
wrenlow=$(realpath "$1")
file=$(realpath "$2")
title=$3 word=$4 keys=$5 out=$6 number=${7:-96}
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
source "$top/bench/desktop_display.sh"
start_desktop "$number" 'rm -rf "$work"'
for reader in "wrenlow:$wrenlow" xchm kchmviewer; do
  READER_SHOTS=$out python3 "$top/bench/reader_peers.py" "$reader" "$file" 1 "$word" "$keys" "$title"
done
