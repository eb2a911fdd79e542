#!/usr/bin/env bash
# Checks of an installation laid down in a scratch root by `cmake --install`.
# usage: install_checks.sh CHECK ROOT [ARGS...]; exit 77 = the tool a check
# needs is not installed here.
set -euo pipefail
check=$1 root=$2
shift 2
usr=$root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; exit 77; }; }
# The commands that `wrenlow-cli --help` lists.
cli_commands() {
  "$usr/bin/wrenlow-cli" --help | awk '/^commands:/ {on=1; next} on && /^$/ {exit}
    on && /^  [a-z]/ {print $1}'
}

case $check in
install)  # ARGS: CMAKE BUILD-DIR
  rm -rf "$root"
  DESTDIR=$root "$1" --install "$2" --prefix /usr >/dev/null
  ;;

tree)
  for f in bin/wrenlow bin/wrenlow-cli; do [ -x "$usr/$f" ] || fail "$f missing"; done
  for f in share/wrenlow/Wrenlow.chm \
      share/applications/org.marrowby.Wrenlow.desktop \
      share/applications/marrowby-wrenlow-examine.desktop \
      share/metainfo/org.marrowby.Wrenlow.metainfo.xml \
      share/bash-completion/completions/wrenlow-cli share/zsh/vendor-completions/_wrenlow-cli; do
    [ -s "$usr/$f" ] || fail "$f missing or empty"
  done
  for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/wrenlow.png
    [ -s "$png" ] || fail "no ${size}px icon"
    # PNG signature, then the IHDR chunk's width and height (big-endian).
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] ||
      fail "$png is not ${size}x${size}"
  done
  # The installed programs answer with the project's version.
  "$usr/bin/wrenlow-cli" --version | grep -qE '^wrenlow-cli [0-9]+\.[0-9]+' || fail "wrenlow-cli --version"
  "$usr/bin/wrenlow" --version | grep -qE '^wrenlow [0-9]+\.[0-9]+' || fail "wrenlow --version"
  ;;

desktop_entries)
  need desktop-file-validate
  for f in "$usr"/share/applications/*.desktop; do
    out=$(desktop-file-validate "$f" 2>&1) || fail "$f: $out"
    # Errors fail the validator; warnings are faults of ours all the same.
    ! grep -q 'warning' <<<"$out" || fail "$f: $out"
  done
  examine=$usr/share/applications/marrowby-wrenlow-examine.desktop
  for want in 'MimeType=application/vnd.ms-htmlhelp;application/x-chm;' 'Actions=Examine;Read;' \
      '[Desktop Action Examine]' 'Exec=wrenlow %f' '[Desktop Action Read]' \
      'Exec=wrenlow --read %f'; do
    grep -qxF "$want" "$examine" || fail "examine entry lacks '$want'"
  done
  grep -qxF 'Icon=wrenlow' "$usr/share/applications/org.marrowby.Wrenlow.desktop" ||
    fail "menu entry names no icon"
  ;;

appstream)
  need appstreamcli
  appstreamcli validate --no-net "$usr/share/metainfo/org.marrowby.Wrenlow.metainfo.xml"
  ;;

default_handler)  # the desktop's choice of program for a compiled help file
  need xdg-mime
  need update-desktop-database
  update-desktop-database "$usr/share/applications"
  empty=$(mktemp -d)
  trap 'rm -rf "$empty"' EXIT
  for type in application/vnd.ms-htmlhelp application/x-chm; do
    got=$(env -i PATH="$PATH" HOME="$empty" XDG_CONFIG_HOME="$empty" XDG_CONFIG_DIRS="$empty" \
      XDG_DATA_HOME="$empty" XDG_DATA_DIRS="$usr/share" xdg-mime query default "$type")
    [ "$got" = marrowby-wrenlow-examine.desktop ] || fail "default for $type is '$got'"
  done
  ;;

man_pages)
  need help2man
  need man
  for program in wrenlow wrenlow-cli; do
    page=$usr/share/man/man1/$program.1.gz
    [ -s "$page" ] || fail "no man page for $program"
    text=$(MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
    grep -q "^NAME" <<<"$text" && grep -q -- "--version" <<<"$text" || fail "$program page: $text"
  done
  text=$(MANWIDTH=200 man -l "$usr/share/man/man1/wrenlow-cli.1.gz" 2>/dev/null | col -b)
  for c in $(cli_commands); do
    grep -qE "^ +wrenlow-cli $c( |$)" <<<"$text" || fail "man page lacks command $c"
  done
  grep -qiE "^ *exit status" <<<"$text" || fail "man page lacks the exit status"
  ;;

bash_completion)
  # The function that bash calls on Tab, called as bash would.
  source "$usr/share/bash-completion/completions/wrenlow-cli"
  complete -p wrenlow-cli | grep -q -- '-F _wrenlow_cli' || fail "wrenlow-cli has no completion"
  offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _wrenlow_cli
    echo "${COMPREPLY[*]}"
  }
  [ "$(offered wrenlow-cli "")" = "$(cli_commands | tr '\n' ' ' | sed 's/ $//')" ] ||
    fail "commands offered: $(offered wrenlow-cli "")"
  [ "$(offered wrenlow-cli deco)" = decompile ] || fail "'deco' gives '$(offered wrenlow-cli deco)'"
  [ "$(offered wrenlow-cli --ver)" = --version ] || fail "'--ver' gives '$(offered wrenlow-cli --ver)'"
  got=$(offered wrenlow-cli recompile in.chm out --drop)
  [ "$got" = "--drop-contents --drop-index" ] || fail "recompile --drop gives '$got'"
  # Every option in a command's usage line is offered for it.
  for c in $(cli_commands); do
    for o in $("$usr/bin/wrenlow-cli" "$c" --help | sed -n 1p | grep -oE -- '--[a-z][a-z0-9-]*' || true); do
      grep -qw -- "$o" <<<"$(offered wrenlow-cli "$c" --)" || fail "$c: $o not offered"
    done
  done
  # --quiet may come before the command.
  [ "$(offered wrenlow-cli --quiet deco)" = decompile ] || fail "'--quiet deco'"
  # Answers of --option=ANSWER (bash has split the word at "=") and the words
  # the help lists for an argument, counted past options and their values.
  got=$(offered wrenlow-cli decompile a.chm out --read-only = ab)
  [ "$got" = abort ] || fail "--read-only=ab gives '$got'"
  got=$(offered wrenlow-cli -q report --json a.chm s)
  [ "$got" = "system strings" ] || fail "report page 's' gives '$got'"
  got=$(offered wrenlow-cli find --prefix /p html-)
  [ "$got" = "html-components html-files" ] || fail "find 'html-' gives '$got'"
  # A word that is no option is a file name, which readline completes: so is
  # the value of an option that takes one.
  [ -z "$(offered wrenlow-cli list ma)" ] || fail "file names are not left to readline"
  [ -z "$(offered wrenlow-cli report a.chm system s)" ] || fail "report takes two arguments"
  [ -z "$(offered wrenlow-cli compile -o s)" ] || fail "compile -o takes a file name"
  ;;

shell_session)
  # Real interactive shells in a terminal: type, press Tab, read the screen.
  need tmux
  home=$(mktemp -d)
  trap 'for s in "$home"/*.sock; do tmux -S "$s" kill-server 2>/dev/null || true; done; rm -rf "$home"' EXIT
  screen_shows() {  # PATTERN: waits up to 10 s for the pane to show it
    for _ in $(seq 100); do
      tmux -S "$sock" capture-pane -p -t s | grep -qE -- "$1" && return 0
      sleep 0.1
    done
    tmux -S "$sock" capture-pane -p -t s >&2
    return 1
  }
  tab() {  # TYPED EXPECTED: types a line, presses Tab, expects the completed line
    tmux -S "$sock" send-keys -t s C-u "$1" Tab
    screen_shows "$2" || fail "$shell: '$1' + Tab does not give '$2'"
  }
  shells=(bash)
  command -v zsh >/dev/null && shells+=(zsh)
  for shell in "${shells[@]}"; do
    # A server of its own for each shell: a new session on a server that is
    # still shutting down fails.
    sock=$home/$shell.sock
    if [ "$shell" = bash ]; then
      start="bash --norc --noprofile -i"
      load="source $usr/share/bash-completion/completions/wrenlow-cli"
    else
      start="zsh -f -i"
      load="fpath=($usr/share/zsh/vendor-completions \$fpath); autoload -Uz compinit; compinit -u -D"
    fi
    tmux -S "$sock" new-session -d -s s -x 160 -y 40 \
      env -i HOME="$home" PATH="$usr/bin:$PATH" TERM=xterm PS1='$ ' PROMPT='$ ' $start
    tmux -S "$sock" send-keys -t s "$load" Enter
    tab "wrenlow-cli deco" 'wrenlow-cli decompile ?$'
    tab "wrenlow-cli recompile a.chm out --drop-c" 'wrenlow-cli recompile a.chm out --drop-contents ?$'
    tab "wrenlow-cli --vers" 'wrenlow-cli --version ?$'
    tab "wrenlow-cli decompile a.chm out --read-only=ab" 'wrenlow-cli decompile a.chm out --read-only=abort ?$'
    tab "wrenlow-cli compile p.hhp --level=st" 'wrenlow-cli compile p.hhp --level=strong ?$'
    tab "wrenlow-cli report a.chm idx" 'wrenlow-cli report a.chm idxhdr ?$'
  done
  ;;

*) fail "unknown check $check" ;;
esac
