#pragma once
// Help files built the way a user builds them: a project folder written
// here (pages, sitemaps, the .hhp) and compiled by our own compiler. Tests
// that need hostile files use it to put their markup wherever a project can
// carry text into a compiled file.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "chmfiles/sitemap.h"
#include "compile/compiler.h"
#include "tests/decompile/crafted_file.h"

namespace compiled {

// Project-relative file name → bytes; "project.hhp" is the project itself.
using Files = std::map<std::string, std::string>;

// Compiles the project at projectPath with a fixed time stamp, to chmPath
// or (empty) where the project says; the result lines are dropped.
inline CompileResult compile(const std::string& projectPath, const std::string& chmPath = {}) {
  CompileOptions options;
  options.projectPath = projectPath;
  options.outputPath = chmPath;
  options.timeStamp = 1700000000;
  crafted::RecordingSink sink;
  return compileProject(options, sink);
}

// Writes files into folder and compiles folder/project.hhp to chmPath.
// False when the compiler wrote nothing.
inline bool build(const std::string& folder, const Files& files, const std::string& chmPath) {
  for (const auto& [name, bytes] : files) crafted::put(std::filesystem::path(folder) / name, bytes);
  return compile(folder + "/project.hhp", chmPath).written;
}

// A project listing pages (and any other files) under [FILES], with the
// option lines given ("Title=...\r\n") and sections appended as they are.
inline std::string project(const Files& listed, const std::string& options,
                           const std::string& sections = {}) {
  std::string hhp = "[OPTIONS]\r\n" + options + "\r\n[FILES]\r\n";
  for (const auto& [name, bytes] : listed)
    if (name != "project.hhp") hhp += name + "\r\n";
  return hhp + "\r\n" + sections;
}

// Sitemap markup: one parameter, an entry holding the parameters given, and
// an entry named name with more parameters after its name.
inline std::string param(const std::string& name, const std::string& value) {
  return "<param name=\"" + name + "\" value=\"" + value + "\">";
}
inline std::string entry(const std::string& params) {
  return "<LI><OBJECT type=\"text/sitemap\">" + params + "</OBJECT>\n";
}
inline std::string item(const std::string& name, const std::string& more) {
  return entry(param("Name", name) + more);
}
inline std::string local(const std::string& page) { return param("Local", page); }

// Names and links of a sitemap tree, one line per entry, indented by depth.
inline void outline(const std::vector<SitemapEntry>& level, int depth, std::string& out) {
  for (const SitemapEntry& e : level) {
    out += std::string(depth, ' ') + e.name + (e.seeAlso.empty() ? "" : " see " + e.seeAlso);
    for (const std::string& l : e.locals) out += " -> " + l;
    out += "\n";
    outline(e.children, depth + 1, out);
  }
}

}  // namespace compiled
