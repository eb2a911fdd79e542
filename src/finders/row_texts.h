#pragma once
// The texts of a finder row: a component's version with the HTML Help release
// its build belongs to, and a file's date with the Chinese weekday name.
#include <ctime>
#include <optional>
#include <string>

#include "platform/system/pe_version.h"

namespace finders {

// " 4.74.8702.0": a leading blank, then the high and low words of the file
// version's most and least significant halves ("%u.%02u.%04u.%u"). The HTML
// Help control adds the release: " 4.74.8702.0 (1.2)".
std::string versionText(const pe::FixedFileInfo& info, bool htmlHelpControl);

// The release label of an HTML Help control build: "(1.0)", "(1.1)",
// "(1.1a)", "(1.1b)" or "(1.2)".
std::string releaseLabel(unsigned build);

// The version text of a file, or nothing when it has no readable version.
std::optional<std::string> fileVersionText(const std::string& path, bool htmlHelpControl);

// "2024-03-05(星期二)" for a local time; empty when it cannot be converted.
std::string dateText(std::time_t when);

// The creation time of a file where the file system records one, else its
// last-write time; nothing when the file's status cannot be read.
std::optional<std::time_t> creationTime(const std::string& path);

// dateText of creationTime, or empty.
std::string fileDateText(const std::string& path);

}  // namespace finders
