#!/usr/bin/env bash
# Screenshots of the Contents and Index panes of outside readers, to be
# looked at beside readers_table.py's counts: xCHM (its Index tab), KchmViewer
# (Contents and Index tabs) and Wine's HTML Help reader (Contents and Index
# panes; they work without a web engine). Runs each reader on its own under
# an Xvfb display with openbox, clicks the tab where the reader puts it with
# its window at the top left, and saves OUT_PREFIX_<reader>_<pane>.png.
# Needs xvfb, openbox, xdotool, imagemagick, xchm, kchmviewer, wine64.
# usage: readers_shots.sh FILE OUT_PREFIX [DISPLAY_NUMBER]
# KchmViewer puts its Index tab first when a file has no contents: set
# KCHM_INDEX_X=24 for such files.
set -uo pipefail
file=$(realpath "$1")
out=$2
number=${3:-99}
export DISPLAY=:$number
Xvfb "$DISPLAY" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
sleep 2
openbox >/dev/null 2>&1 &
wm=$!
sleep 2
shot() { import -window root -crop "$1" "$2"; }

xchm "$file" >/dev/null 2>&1 &
pid=$!
sleep 6
xdotool mousemove 157 126 click 1  # the arrow that turns to the Index tab
sleep 2
shot 600x560+0+0 "${out}_xchm_index.png"
kill $pid

kchmviewer "$file" >/dev/null 2>&1 &
pid=$!
sleep 9
xdotool windowmove "$(xdotool search --onlyvisible --name kchmviewer | head -1)" 0 0
sleep 1
shot 700x700+0+0 "${out}_kchmviewer_contents.png"
xdotool mousemove "${KCHM_INDEX_X:-123}" 133 click 1
sleep 2
shot 700x700+0+0 "${out}_kchmviewer_index.png"
kill $pid

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-readers} WINEDEBUG=-all
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i >/dev/null 2>&1
"$wine" hh.exe "Z:$(tr / '\\' <<<"$file")" >/dev/null 2>&1 &
pid=$!
sleep 12
xdotool windowmove "$(xdotool search --onlyvisible --class hh.exe | head -1)" 0 0
sleep 1
shot 700x520+0+0 "${out}_wine_contents.png"
xdotool mousemove 99 66 click 1
sleep 2
shot 700x520+0+0 "${out}_wine_index.png"
kill $pid
server=$(dirname "$wine")/wineserver
[ -x "$server" ] || server=wineserver
"$server" -k 2>/dev/null || true

kill $wm $xvfb
