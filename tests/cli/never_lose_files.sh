#!/usr/bin/env bash
# The tools never lose or damage a user's file. Each case builds its files in
# a folder of its own, runs one command of wrenlow-cli and checks what the
# user would see afterwards: the exit code, the message, every file of the
# work tree byte for byte (targets left as they were where a run failed, no
# temporary file left behind, nothing outside the chosen folders touched),
# and that no run hangs on a file that is not a regular one.
#
# usage: never_lose_files.sh WRENLOW_CLI CORPUS_FILES_DIR
#
# The cases use the harness of output_harness.sh.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/output_harness.sh" "$@"

# ---------------------------------------------------------------------------
section "setup"
begin baseline
take "$corpus/7zcn_7-zip.chm" good.chm
mark
run "$cli" -q copy good.chm copied.chm
expect_status 0
expect_file copied.chm
expect_untouched ./baseline/copied.chm
# A project to compile: the decompiled files of a real help file.
proj=$work/project
mkdir -p "$proj"
"$cli" -q decompile "$corpus/7zcn_7-zip.chm" "$proj" >/dev/null 2>&1
hhp=$(ls "$proj"/*.hhp)
good=$corpus/7zcn_7-zip.chm
other=$corpus/avast_CheckListSimple.chm
# The first half of a real file: the directory is there, the data is not.
damaged=$work/damaged.chm
head -c 60000 "$good" >"$damaged"
# run_limited KB CMD...: run, with writes limited to KB kilobytes per file; a
# write past the limit fails (EFBIG) the way a full disk fails it.
run_limited() {
  local kb=$1
  shift
  run bash -c 'trap "" XFSZ; ulimit -f "$0"; exec "$@"' "$kb" "$@"
}

# ---------------------------------------------------------------------------
section "failed runs leave the target as it was"
begin damaged-over-existing
take "$other" existing.chm
mark
run "$cli" recompile "$damaged" existing.chm
expect_status 1
expect_message "wrenlow-cli: ."
expect_untouched

# Crafted files break a reader in several ways; whatever a recompile of one
# makes of it, a failed run leaves no file behind.
begin crafted-recompiles
for f in "$corpus"/mspack_*.chm; do
  mark
  run "$cli" -q recompile "$f" new.chm
  if [ "$status" = 0 ]; then
    expect_file new.chm
    rm -f new.chm
  else
    expect_untouched
  fi
done

for tool in compile recompile copy pack create-its; do
  begin "write-fails-$tool"
  take "$other" target.chm
  mark
  case $tool in
    compile) run_limited 64 "$cli" -q compile "$hhp" -o "$dir/target.chm" ;;
    recompile) run_limited 64 "$cli" -q recompile "$good" target.chm ;;
    copy) run_limited 64 "$cli" -q copy "$good" target.chm ;;
    pack) run_limited 64 "$cli" -q pack "$proj" target.chm ;;
    create-its) run_limited 8 "$cli" -q create-its --folder "$proj" -o target.chm ;;
  esac
  expect_status 1
  expect_untouched
done

begin decompile-write-fails
mkdir out
mark
run_limited 8 "$cli" decompile "$good" out
expect_status 1
expect_message "反编译已取消"
expect_untouched ./decompile-write-fails/out

# ---------------------------------------------------------------------------
section "no fixed temporary name beside an in-place recompile"
begin in-place-planted
take "$good" book.chm
mkdir elsewhere
echo "victim" >elsewhere/victim.txt
echo "a file the user keeps" >book.$
ln -s elsewhere/victim.txt book.tmp
ln -s "$dir/elsewhere/victim.txt" .book.chm.tmp
mark
run "$cli" -q recompile book.chm book.chm
expect_status 0
expect_file book.chm
expect_untouched ./in-place-planted/book.chm

# ---------------------------------------------------------------------------
section "read-only targets are refused"
for tool in compile recompile copy pack create-its; do
  begin "read-only-$tool"
  take "$other" target.chm
  chmod 0444 target.chm
  mark
  case $tool in
    compile) run "$cli" compile "$hhp" -o "$dir/target.chm" ;;
    recompile) run "$cli" recompile "$good" target.chm ;;
    copy) run "$cli" copy "$good" target.chm ;;
    pack) run "$cli" pack "$proj" target.chm ;;
    create-its) run "$cli" create-its --folder "$proj" -o target.chm ;;
  esac
  expect_status 1
  expect_message "只读\|read-only\|不能写入"
  expect_untouched
done
begin read-only-in-place
take "$good" book.chm
chmod 0444 book.chm
mark
run "$cli" recompile book.chm book.chm
expect_status 1
expect_message "只读"
expect_untouched
begin read-only-folder
mkdir locked
chmod 0555 locked
mark
run "$cli" copy "$good" locked/new.chm
expect_status 1
expect_message "read-only"
expect_untouched
chmod 0755 locked

# ---------------------------------------------------------------------------
section "only regular files are read or written"
begin fifo-target
mkfifo fifo
mark
run "$cli" copy "$good" fifo
expect_status 1
expect_message "not a regular file"
expect_untouched
run "$cli" recompile "$good" fifo
expect_status 1
expect_untouched
run "$cli" compile "$hhp" -o "$dir/fifo"
expect_status 1
expect_untouched

begin fifo-source
mkfifo fifo.chm
mark
for sub in list report info; do
  run "$cli" "$sub" fifo.chm
  [ "$status" = 0 ] && fail "$sub of a FIFO succeeded"
done
run "$cli" copy fifo.chm out.chm
expect_status 1
run "$cli" recompile fifo.chm out.chm
expect_status 1
expect_message "不能打开"
run "$cli" decompile fifo.chm .
[ "$status" = 0 ] && fail "decompile of a FIFO succeeded"
expect_untouched

# A folder recompile goes on past a FIFO among its files.
begin fifo-in-folder
mkdir src out
take "$good" src/a.chm
mkfifo src/b.chm
take "$other" src/c.chm
mark
run "$cli" recompile src out
expect_status 1
expect_message "b.chm"
expect_file out/a.chm
expect_file out/c.chm
expect_untouched "./fifo-in-folder/out/a.chm" "./fifo-in-folder/out/c.chm"

# A project that names FIFOs: as a listed file, as its error log, or the
# project itself.
begin fifo-in-project
cp -r "$proj" p
mkfifo p/pipe.htm p/log.txt
hhp2=p/$(basename "$hhp")
sed -i 's/^\[OPTIONS\]/[OPTIONS]\nError log file=log.txt/' "$hhp2"
sed -i 's/^\[FILES\]/[FILES]\npipe.htm/' "$hhp2"
mkfifo pipe.hhp
mark
run "$cli" compile "$hhp2" -o "$dir/out.chm"
expect_file out.chm
run "$cli" create-its --project "$hhp2" -o "$dir/out.its"
expect_message "pipe.htm"
run "$cli" compile pipe.hhp -o "$dir/never.chm"
expect_status 1
run "$cli" pack p packed.chm
expect_status 0
expect_untouched ./fifo-in-project/out.chm ./fifo-in-project/out.its ./fifo-in-project/packed.chm

# Where a decompile or an extraction must write a file, a FIFO stands.
begin fifo-in-output-folder
mkdir out ext
mkfifo out/7-Zip.hhc ext/7-Zip.hhc
mark
run "$cli" decompile --no-project "$good" out
expect_status 1
run "$cli" extract "$good" ext
expect_status 1
[ -p out/7-Zip.hhc ] && [ -p ext/7-Zip.hhc ] || fail "a FIFO was replaced"

# Into the output of an earlier run: a file of the same name is replaced
# whole when it is a writable regular file; a read-only one and a link stay as
# they are (nothing is written through the link), and the run says so.
for tool in extract decompile; do
  begin "$tool-over-earlier-output"
  mkdir out
  "$cli" -q $tool "$good" out >/dev/null 2>&1
  echo victim >victim.txt
  rm out/7-Zip.hhk
  ln -s ../victim.txt out/7-Zip.hhk
  chmod 0444 out/cmdline/commands/add.htm
  echo stale >out/cmdline/commands/bench.htm
  mark
  if [ $tool = extract ]; then
    run "$cli" extract "$good" out
    expect_message "7-Zip.hhk: not a regular file"
    expect_message "add.htm: read-only"
  else
    run "$cli" decompile --no-project "$good" out
    expect_message "7-Zip.hhk"
  fi
  expect_status 1
  "$cli" cat "$good" cmdline/commands/bench.htm | cmp -s - out/cmdline/commands/bench.htm ||
    fail "an earlier file was not replaced"
  expect_untouched "./$tool-over-earlier-output/out/cmdline/commands/bench.htm"
done

# ---------------------------------------------------------------------------
# Project options that name outputs, files read from outside the project's
# folder, and large inputs: their cases go in a section of their own here.

# ---------------------------------------------------------------------------
finish
