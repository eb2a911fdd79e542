// Writes a compiled help file whose #WINDOWS and #IVB name one long #STRINGS
// text over and over: a few kilobytes on disk that a project rebuild without
// a bound turns into about a gigabyte of text.
//
//   make_text_expansion_chm <file.chm> [aliases] [window types]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "crafted_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <file.chm> [aliases] [window types]\n", argv[0]);
    return 2;
  }
  const std::uint32_t aliases = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
  const std::uint32_t windowTypes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 2000;
  constexpr std::uint32_t kLongText = 1;  // offset of the text in #STRINGS
  constexpr std::uint32_t kEntrySize = 196;

  const std::string strings = std::string(1, '\0') + std::string(3900, 'A') + '\0';

  std::string ivb;
  crafted::le32(ivb, aliases * 8);
  for (std::uint32_t i = 0; i < aliases; ++i) {
    crafted::le32(ivb, i + 1);  // context number
    crafted::le32(ivb, kLongText);
  }

  // Every string field of every window type names the long text.
  std::string entry(kEntrySize, '\0');
  for (std::size_t field : {8, 20, 96, 100, 104, 108, 156, 160, 164, 168})
    for (int i = 0; i < 4; ++i) entry[field + i] = static_cast<char>((kLongText >> (8 * i)) & 0xFF);
  std::string windows;
  crafted::le32(windows, windowTypes);
  crafted::le32(windows, kEntrySize);
  for (std::uint32_t i = 0; i < windowTypes; ++i) windows += entry;

  std::string flags;
  crafted::le32(flags, 0x409);  // LCID
  flags += std::string(24, '\0');
  std::string system;
  crafted::le32(system, 3);
  system += crafted::record(3, crafted::text("Expanding tables")) + crafted::record(4, flags);

  if (!crafted::write(argv[1], {{"#STRINGS", strings},
                                {"#IVB", ivb},
                                {"#WINDOWS", windows},
                                {"#SYSTEM", system},
                                {"topic.htm", "<html></html>"}})) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
