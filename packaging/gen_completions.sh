#!/usr/bin/env bash
# Writes the bash and zsh completions of wrenlow-cli from the program's own
# help: the commands and their summaries from `wrenlow-cli --help`, each
# command's options from the usage line of `wrenlow-cli COMMAND --help`, and
# options listed in the main help as options of the program itself.
# usage: gen_completions.sh WRENLOW-CLI BASH-OUT ZSH-OUT
set -euo pipefail
cli=$1 bash_out=$2 zsh_out=$3

help=$("$cli" --help)
# "  name   summary" lines below "commands:" up to the next blank line.
commands=$(printf '%s\n' "$help" | awk '/^commands:/ {on=1; next} on && /^$/ {exit}
  on && /^  [a-z]/ {print $1}')
[ -n "$commands" ] || { echo "gen_completions: no commands in '$cli --help'" >&2; exit 1; }
summary() {
  printf '%s\n' "$help" | awk -v c="$1" '/^commands:/ {on=1; next} on && /^$/ {exit}
    on && $1 == c {sub(/^  [^ ]+ +/, ""); print; exit}'
}
# Option names in a text: words that start with one or two dashes and a letter.
options_in() { grep -oE '(^|[][ (|])--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^[][ (|]//' | sort -u; }
global=$(printf '%s\n' "$help" | grep -E '^ +-' | options_in || true)
global=$(printf '%s\n--help\n--version\n' "$global" | sed '/^$/d' | sort -u | tr '\n' ' ')
# A command takes the options of its usage line and the program's own, such
# as --quiet, that may stand anywhere.
anywhere=$(printf '%s\n' $global | grep -vxE -- '--version' || true)
command_options() {
  { "$1" "$2" --help | head -n 1 | options_in; printf '%s\n' $anywhere; } | sort -u | tr '\n' ' '
}

{
  echo "# bash completion for wrenlow-cli, generated from its --help by the build."
  echo "_wrenlow_cli() {"
  echo '  local cur=${COMP_WORDS[COMP_CWORD]} words'
  echo '  if [ "$COMP_CWORD" -eq 1 ]; then'
  echo "    if [[ \$cur == -* ]]; then words=\"${global% }\"; else words=\"$(echo $commands)\"; fi"
  echo '  else'
  echo '    # Arguments that are not options are file names: readline completes'
  echo '    # them when nothing is offered here (-o default).'
  echo '    [[ $cur == -* ]] || return 0'
  echo '    case ${COMP_WORDS[1]} in'
  for c in $commands; do
    o=$(command_options "$cli" "$c")
    echo "      $c) words=\"${o% }\" ;;"
  done
  echo '      *) return 0 ;;'
  echo '    esac'
  echo '  fi'
  echo '  COMPREPLY=($(compgen -W "$words" -- "$cur"))'
  echo "}"
  echo "complete -o default -F _wrenlow_cli wrenlow-cli"
} >"$bash_out"

quote() { printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"; }
{
  echo "#compdef wrenlow-cli"
  echo "# zsh completion for wrenlow-cli, generated from its --help by the build."
  echo "local -a commands opts"
  echo "commands=("
  for c in $commands; do echo "  $(quote "$c:$(summary "$c")")"; done
  echo ")"
  echo "if (( CURRENT == 2 )); then"
  echo "  if [[ \$PREFIX == -* ]]; then compadd -- ${global% }; else _describe -t commands 'wrenlow-cli command' commands; fi"
  echo "  return"
  echo "fi"
  echo "case \$words[2] in"
  for c in $commands; do
    o=$(command_options "$cli" "$c")
    echo "  $c) opts=(${o% }) ;;"
  done
  echo "esac"
  echo "if [[ \$PREFIX == -* ]]; then compadd -- \$opts; else _files; fi"
} >"$zsh_out"
