// Writes the desktop entry that offers the program for compiled help files
// into the folder given: the entry the program writes for its user on the
// first run, made here once more for installing for every user. The
// installed program is found on the PATH.
#include <cstdio>

#include "platform/shell/shell.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: examine_entry FOLDER\n");
    return 2;
  }
  return shell::RegisterExamineEntry(argv[1], "wrenlow") ? 0 : 1;
}
