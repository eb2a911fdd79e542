#!/usr/bin/env bash
# What compile and create-its may write and read, as a user meets it: each
# case builds a project in a folder of its own, runs one command of
# wrenlow-cli and checks the exit code, the message, and that every file of
# the work tree is as it was (byte for byte) but the output the run may make.
#
# usage: project_outputs.sh WRENLOW_CLI CORPUS_FILES_DIR
# The cases use the harness of output_harness.sh.
set -u
run_timeout=120
. "$(dirname "${BASH_SOURCE[0]}")/output_harness.sh" "$@"

# ---------------------------------------------------------------------------
# Projects: what compile and create-its may write and read. A project's own
# options write only inside its folder, no output replaces a file the run
# reads, files read from elsewhere are named, and a file that cannot be read
# whole stops the run. Recompile tells an ITS file by its name's extension.
section "project outputs and inputs"

# project_setup: proj/p.hhp listing a.htm and pic.gif, including ids.h, with
# the [OPTIONS] lines given; outside/victim.txt beside the project.
project_setup() {
  mkdir -p proj outside
  printf '<html><head><title>A</title></head><body><img src="pic.gif"></body></html>' >proj/a.htm
  printf 'GIF89a-picture' >proj/pic.gif
  printf '#define IDH_A 10\n' >proj/ids.h
  printf 'keep me' >outside/victim.txt
  printf '[OPTIONS]\nTitle=T\n%b\n[FILES]\na.htm\npic.gif\n[MAP]\n#include ids.h\n' "$1" >proj/p.hhp
}

begin recompile_in_folder_named_its
mkdir docs.its_backup
take "$corpus/7zcn_7-zip.chm" docs.its_backup/help.chm
mark
run "$cli" -q recompile docs.its_backup/help.chm docs.its_backup/help.chm
expect_status 0
for table in '#SYSTEM' '#STRINGS' '#TOPICS' '#URLSTR' '#URLTBL'; do
  if ! "$cli" list docs.its_backup/help.chm | grep -q "^$table	"; then
    fail "$table lost by a recompile inside docs.its_backup"
  fi
done
expect_untouched ./recompile_in_folder_named_its/docs.its_backup/help.chm

begin log_outside_project
project_setup 'Error log file=../outside/victim.txt'
mark
run "$cli" compile proj/p.hhp
expect_status 0
expect_message 'C4442'
expect_file proj/p.chm
expect_untouched ./log_outside_project/proj/p.chm

begin log_is_project
project_setup 'Error log file=p.hhp'
mark
run "$cli" compile proj/p.hhp
expect_status 0
expect_message 'C4443'
expect_untouched ./log_is_project/proj/p.chm

begin compiled_file_is_listed_image
project_setup 'Compiled file=pic.gif'
mark
run "$cli" compile proj/p.hhp
expect_status 1
expect_message 'C4440'
expect_untouched

begin compiled_file_is_project
project_setup 'Compiled file=p.hhp'
mark
run "$cli" compile proj/p.hhp
expect_status 1
expect_message 'C4440'
expect_untouched

begin compiled_file_outside_project
project_setup 'Compiled file=../outside/new.chm'
mark
run "$cli" compile proj/p.hhp
expect_status 1
expect_message 'C4441'
expect_untouched

begin output_names_project
project_setup ''
mark
run "$cli" compile proj/p.hhp -o proj/p.hhp
expect_status 1
expect_message 'C4440'
expect_untouched

begin output_names_listed_page
project_setup ''
mark
run "$cli" compile proj/p.hhp -o proj/a.htm
expect_status 1
expect_message 'C4440'
expect_untouched

begin output_outside_by_command_line
project_setup 'Compiled file=../outside/new.chm'
mark
run "$cli" -q compile proj/p.hhp -o outside/given.chm
expect_status 0
expect_file outside/given.chm
expect_untouched ./output_outside_by_command_line/outside/given.chm

begin files_read_from_outside
project_setup ''
printf '<html><title>S</title></html>' >outside/shared.htm
ln -s ../outside/shared.htm proj/link.htm
printf '[FILES]\n../outside/shared.htm\nlink.htm\na.htm\n' >proj/p.hhp
mark
run "$cli" compile proj/p.hhp
expect_status 0
if [ "$(grep -c 'C4444' "$work/.snap/out")" != 1 ]; then fail "not one warning for outside/shared.htm"; fi
expect_message "C4444: “$(realpath outside/shared.htm)”"
expect_untouched ./files_read_from_outside/proj/p.chm

begin create_its_compiled_file_outside
project_setup ''
printf '[options]\ncompiled file=../outside/new.its\n[files]\na.htm\n' >proj/p.hhp
mark
run "$cli" create-its --project proj/p.hhp
expect_status 1
expect_message '在工程文件夹之外'
expect_untouched

begin create_its_compiled_file_is_project
project_setup ''
printf '[options]\ncompiled file=p.hhp\n[files]\na.htm\n' >proj/p.hhp
mark
run "$cli" create-its --project proj/p.hhp
expect_status 1
expect_message '本次运行要读取'
expect_untouched

begin create_its_output_names_listed_file
project_setup ''
printf '[files]\na.htm\npic.gif\n' >proj/p.hhp
mark
run "$cli" create-its --project proj/p.hhp -o proj/pic.gif
expect_status 1
expect_message '本次运行要读取'
expect_untouched

# A page must be held whole (for its title, links and words); one too large
# for the memory the run may use is an error, and the old file stays.
begin page_larger_than_memory
project_setup ''
truncate -s 160M proj/big.htm
printf '[FILES]\na.htm\nbig.htm\n' >proj/p.hhp
printf 'old compiled file' >proj/p.chm
mark
run bash -c 'ulimit -v 131072 && exec "$@"' - "$cli" compile proj/p.hhp --level fast
expect_status 1
expect_message 'C4446'
expect_untouched
rm -f proj/big.htm

# Any other file goes to the compiled file in pieces: a file larger than the
# memory the run may use is stored whole.
begin file_larger_than_memory
project_setup ''
truncate -s 160M proj/big.bin
printf '[FILES]\na.htm\nbig.bin\n' >proj/p.hhp
mark
run bash -c 'ulimit -v 131072 && exec "$@"' - "$cli" -q compile proj/p.hhp --level fast
expect_status 0
stored=$("$cli" list proj/p.chm | awk '$1 == "big.bin" || $1 == "/big.bin" { print $2 }')
if [ "$stored" != 167772160 ]; then fail "big.bin stored as ${stored:-nothing} bytes, not 167772160"; fi
expect_untouched ./file_larger_than_memory/proj/p.chm
rm -f proj/big.bin proj/p.chm

finish
