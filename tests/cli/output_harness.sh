# Sourced by the scripts that check what wrenlow-cli leaves on disk. Each case
# builds its files in a folder of its own, runs one command and checks what
# the user would see afterwards: the exit code, the message and every file of
# the work tree, byte for byte.
#
# usage (in a script): . output_harness.sh WRENLOW_CLI CORPUS_FILES_DIR
# A corpus folder that is not there skips the script (exit 77).
#
# Adding a case: `begin NAME` makes $dir (the case's folder, also the current
# directory); the case sets its files up and calls `mark` to snapshot the
# whole work tree; `run CMD...` runs a command with a time limit of
# $run_timeout seconds (60 unless the script sets another); the expect_*
# checks follow. The script ends with `finish`, whose status is its own.
cli=$(realpath "$1")
if [ ! -d "$2" ]; then
  echo "corpus missing: $2"
  exit 77
fi
corpus=$(realpath "$2")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
cases=0
case_name=""
dir=""
status=0
run_timeout=${run_timeout:-60}

fail() {
  echo "FAIL [$case_name]: $*" >&2
  failures=$((failures + 1))
}

# A listing of every entry below $work: type, mode, size and checksum of each
# regular file, target of each link. Two equal listings mean nothing changed.
snapshot() {
  (cd "$work" && find . -path ./.snap -prune -o -printf '%y %m %s %p -> %l\n' | LC_ALL=C sort |
    while read -r type mode size path rest; do
      if [ "$type" = f ] && [ -r "$path" ]; then
        echo "$type $mode $size $path $(sha256sum <"$path" | cut -c1-16)"
      else
        echo "$type $mode $size $path $rest"
      fi
    done)
}

# begin NAME: a fresh folder for the case; the caller sets files up in it and
# then calls `mark` to record the tree the run must leave as it was.
begin() {
  case_name=$1
  cases=$((cases + 1))
  dir=$work/$1
  mkdir -p "$dir" "$work/.snap"
  cd "$dir" || exit 2
}

mark() { snapshot >"$work/.snap/$case_name"; }

# take SOURCE DEST: a writable copy (the corpus files are read-only).
take() { cp "$1" "$2" && chmod 0644 "$2"; }

# run CMD...: runs with a time limit (a hang is a failure of its own) and
# keeps standard output and error for expect_message.
run() {
  timeout "$run_timeout" "$@" >"$work/.snap/out" 2>"$work/.snap/err" </dev/null
  status=$?
  if [ "$status" = 124 ]; then fail "hangs: $*"; fi
}

expect_status() {
  if [ "$status" != "$1" ]; then
    fail "exit status $status, expected $1"
    sed 's/^/    /' "$work/.snap/err" >&2
  fi
}

# expect_message TEXT: the run said TEXT (a grep pattern) on either stream.
expect_message() {
  if ! grep -q -e "$1" "$work/.snap/out" "$work/.snap/err"; then
    fail "no message matching '$1'"
    sed 's/^/    /' "$work/.snap/out" "$work/.snap/err" >&2
  fi
}

# expect_untouched [EXCEPT...]: the work tree is as `mark` recorded it, except
# for the paths given and what is below them (relative to $work, e.g.
# "./case/new.chm").
expect_untouched() {
  local pattern='^$'
  for p in "$@"; do pattern="$pattern|^[a-z] [0-9]+ [0-9]+ ${p//./\\.}( |/)"; done
  if ! diff <(grep -Ev "$pattern" "$work/.snap/$case_name") <(snapshot | grep -Ev "$pattern") \
    >"$work/.snap/diff"; then
    fail "files changed:"
    sed 's/^/    /' "$work/.snap/diff" >&2
  fi
}

# expect_file PATH: a complete compiled help file is at PATH (it lists).
expect_file() {
  if ! timeout 60 "$cli" -q list "$1" >/dev/null 2>&1; then fail "$1 is not a complete file"; fi
}

section() { echo "== $1"; }

finish() {
  echo "$cases cases, $failures failures"
  [ "$failures" = 0 ]
}
