#pragma once
// Leftover temporary storage files ("~DF*.tmp") of programs that read
// compiled help files: counted in the temporary folder at start-up and, when
// there are more than 50, offered for deletion. Files still open in some
// process are in use and stay: Windows refuses to delete them, and on Linux
// the check is made by looking for them among every process's open files.
#include <cstdint>
#include <string>

namespace finders {

// The pattern the check counts and deletes.
inline constexpr const char* kLeftoverPattern = "~DF*.tmp";
// The offer needs more files than this.
constexpr std::uint32_t kLeftoverThreshold = 50;

// The temporary folder the check looks in: with a Wine prefix the prefix's
// TEMP folder (from its user registry), else the program's own.
std::string leftoverFolder();

// Matches of the pattern in folder: files and folders alike.
std::uint32_t countLeftovers(const std::string& folder);

struct LeftoversDeleted {
  std::uint32_t files = 0;
  std::uint32_t bytes = 0;  // low 32 bits of each size, summed with wrap-around
};

// Deletes every match that no process holds open; failures are skipped.
LeftoversDeleted deleteLeftovers(const std::string& folder);

// The whole check: count, ask (string 4051, Yes/No, warning icon), delete,
// report (string 4052) through the current prompter. Silent when there are
// 50 matches or fewer, on No, and when nothing could be deleted.
void RunLeftoverCheck(const std::string& folder);

}  // namespace finders
