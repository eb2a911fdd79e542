#!/usr/bin/env bash
# Writes the bash and zsh completions of wrenlow-cli from the program's own
# help: the commands and their summaries from `wrenlow-cli --help`, each
# command's options from the usage line of `wrenlow-cli COMMAND --help`, and
# options listed in the main help as options of the program itself; the
# answers of --option=a|b|c and the words the help lists for an argument.
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
anywhere=$(printf '%s\n' $global | grep -vxE -- '--version|--help|-h' || true)
command_options() {
  { "$1" "$2" --help | sed -n 1p | options_in; printf '%s\n' $anywhere --help; } | sort -u | tr '\n' ' '
}
usage_of() { "$cli" "$1" --help | sed -n '1s/^usage: wrenlow-cli [^ ]* *//p'; }
# Options followed by a value in the usage line ("-o OUT.chm", "--reset N").
value_options() {
  usage_of "$1" | grep -oE -- '-{1,2}[A-Za-z][A-Za-z0-9-]* [A-Z][A-Za-z0-9._]*' | cut -d' ' -f1 || true
}
# "--read-only=skip|abort|ask": the option and its answers, one per line.
choice_options() {
  usage_of "$1" | grep -oE -- '--[A-Za-z][A-Za-z0-9-]*=[a-z]+(\|[a-z]+)+' | tr '=|' '  ' || true
}
# The arguments outside brackets, in order ("FILE PAGE"); a choice of words
# "(a|b|c)" is an argument too, written "=a|b|c".
positionals() {
  usage_of "$1" | sed -E 's/\[[^]]*\]//g; s/\(([a-z-]+(\|[a-z-]+)+)\)/=\1/g; s/\([^)]*\)//g' |
    tr ' ' '\n' | grep -E '^([A-Z]|=)' || true
}
# The words of an argument: its choices, or the words the help lists for it.
positional_words() {
  case $2 in
  =*) echo "${2#=}" | tr '|' ' ' ;;
  *) argument_words "$1" "$2" ;;
  esac
}
# The words an argument takes when the command's help lists them for it:
# "  PAGE    system, windows, ..., general, or contents:PATH ..." gives
# "system windows ... general".
argument_words() {
  "$cli" "$1" --help | awk -v name="$2" '
    $1 == name && /^  [A-Z]/ {on = 1; $1 = ""; text = $0; next}
    on && /^    +[^ -]/ {text = text " " $0; next}
    on {exit}
    END {
      n = split(text, w, /[ \t]+/)
      for (i = 1; i <= n; i++) {
        if (w[i] == "") continue
        if (w[i] !~ /^[a-z]+,$/) break
        sub(/,$/, "", w[i]); out = out (out ? " " : "") w[i]
      }
      print out
    }'
}

{
  echo "# bash completion for wrenlow-cli, generated from its --help by the build."
  echo "_wrenlow_cli() {"
  echo '  local cur=${COMP_WORDS[COMP_CWORD]} cmd="" words="" i n=0 skip=0 opt=""'
  echo '  # The command is the first word that is no option; count the arguments'
  echo '  # after it, leaving out options and their values ("=" stands alone in'
  echo '  # COMP_WORDS after "--option").'
  echo '  for ((i = 1; i < COMP_CWORD; i++)); do'
  echo '    local w=${COMP_WORDS[i]}'
  echo '    if [ -z "$cmd" ]; then [[ $w == -* ]] || cmd=$w; continue; fi'
  echo '    if ((skip)); then skip=0; continue; fi'
  echo '    case "$cmd $w" in'
  echo '      *" =") skip=1 ;;'
  for c in $commands; do
    for o in $(value_options "$c"); do echo "      \"$c $o\") skip=1 ;;"; done
  done
  echo '      *" -"*) ;;'
  echo '      *) n=$((n + 1)) ;;'
  echo '    esac'
  echo '  done'
  echo '  local prev=${COMP_WORDS[COMP_CWORD-1]}'
  echo '  if [ -z "$cmd" ]; then'
  echo "    if [[ \$cur == -* ]]; then words=\"${global% }\"; else words=\"$(echo $commands)\"; fi"
  echo '  elif [[ $cur == -* ]]; then'
  echo '    case $cmd in'
  for c in $commands; do
    o=$(command_options "$cli" "$c")
    echo "      $c) words=\"${o% }\" ;;"
  done
  echo '      *) return 0 ;;'
  echo '    esac'
  echo '  elif [ "$prev" = "=" ] || [ "$cur" = "=" ]; then'
  echo '    # The answer of an --option=ANSWER.'
  echo '    if [ "$cur" = "=" ]; then opt=$prev cur=""; else opt=${COMP_WORDS[COMP_CWORD-2]}; fi'
  echo '    case "$cmd $opt" in'
  for c in $commands; do
    choice_options "$c" | while read -r o answers; do echo "      \"$c $o\") words=\"$answers\" ;;"; done
  done
  echo '      *) return 0 ;;'
  echo '    esac'
  echo '  elif ((skip)); then'
  echo '    return 0'
  echo '  else'
  echo '    # Arguments whose words the help lists; any other is a file name, which'
  echo '    # readline completes when nothing is offered here (-o default).'
  echo '    case "$cmd $((n + 1))" in'
  for c in $commands; do
    i=0
    for p in $(positionals "$c"); do
      i=$((i + 1))
      w=$(positional_words "$c" "$p")
      [ -n "$w" ] && echo "      \"$c $i\") words=\"$w\" ;;"
    done
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
  echo "local -a commands"
  echo "local cmd='' w i n=0 skip=0"
  echo "commands=("
  for c in $commands; do echo "  $(quote "$c:$(summary "$c")")"; done
  echo ")"
  echo "for ((i = 2; i < CURRENT; i++)); do"
  echo "  w=\$words[i]"
  echo "  if [[ -z \$cmd ]]; then [[ \$w == -* ]] || cmd=\$w; continue; fi"
  echo "  if ((skip)); then skip=0; continue; fi"
  echo "  case \"\$cmd \$w\" in"
  for c in $commands; do
    for o in $(value_options "$c"); do echo "    (\"$c $o\") skip=1 ;;"; done
  done
  echo "    (*' -'*) ;;"
  echo "    (*) n=\$((n + 1)) ;;"
  echo "  esac"
  echo "done"
  echo "if [[ -z \$cmd ]]; then"
  echo "  if [[ \$PREFIX == -* ]]; then compadd -- ${global% }; else _describe -t commands 'wrenlow-cli command' commands; fi"
  echo "  return"
  echo "fi"
  echo "if [[ \$PREFIX == --*=* ]]; then"
  echo "  case \"\$cmd \${PREFIX%%=*}\" in"
  for c in $commands; do
    choice_options "$c" | while read -r o answers; do
      echo "    (\"$c $o\") compset -P '*='; compadd -- $answers ;;"
    done
  done
  echo "  esac"
  echo "  return"
  echo "fi"
  echo "if [[ \$PREFIX == -* ]]; then"
  echo "  case \$cmd in"
  for c in $commands; do
    o=$(command_options "$cli" "$c")
    echo "    ($c) compadd -- ${o% } ;;"
  done
  echo "  esac"
  echo "  return"
  echo "fi"
  echo "if ((skip)); then _files; return; fi"
  echo "case \"\$cmd \$((n + 1))\" in"
  for c in $commands; do
    i=0
    for p in $(positionals "$c"); do
      i=$((i + 1))
      w=$(positional_words "$c" "$p")
      [ -n "$w" ] && echo "  (\"$c $i\") compadd -- $w ;;"
    done
  done
  echo "  (*) _files ;;"
  echo "esac"
} >"$zsh_out"
