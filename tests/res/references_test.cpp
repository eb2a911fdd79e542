// Every string and dialog id that the program's sources refer to exists in the
// resources. The sources are read from the source tree, so this also covers
// code written after the resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "res/dialog_template.h"
#include "res/ids.h"
#include "res/strings.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Name → value of every constant in ids.h (aliases resolved).
std::map<std::string, long> parseIds() {
  std::map<std::string, long> ids;
  std::string text = readFile(fs::path(WRENLOW_SOURCE_DIR) / "src/res/ids.h");
  std::regex def(R"(constexpr\s+(?:int|unsigned)\s+(\w+)\s*=\s*(-?\w+)\s*;)");
  for (std::sregex_iterator it(text.begin(), text.end(), def), end; it != end; ++it) {
    std::string name = (*it)[1], value = (*it)[2];
    if (value[0] == '-' || std::isdigit(static_cast<unsigned char>(value[0]))) {
      ids[name] = std::stol(value, nullptr, 0);
    } else if (ids.count(value)) {
      ids[name] = ids[value];
    } else {
      ADD_FAILURE() << name << " refers to unknown " << value;
    }
  }
  return ids;
}

bool isStringId(long v) { return (v >= 4000 && v <= 4067) || (v >= 20480 && v <= 21000); }

TEST(References, IdsHeaderParsesToTheCompiledValues) {
  // Guards the parser below: a few constants checked against the compiler.
  auto ids = parseIds();
  EXPECT_EQ(ids.at("IDS_CANNOT_OPEN"), IDS_CANNOT_OPEN);
  EXPECT_EQ(ids.at("ID_VIEW_CHM"), ID_VIEW_CHM);
  EXPECT_EQ(ids.at("IDS_APP_TITLE"), AFX_IDS_APP_TITLE);
  EXPECT_EQ(ids.at("ID_HHBTN_TEXT"), ID_HHBTN_TEXT);
  EXPECT_EQ(ids.at("IDC_STATIC"), IDC_STATIC);
  EXPECT_EQ(ids.at("WM_CAPTION_PAINT"), static_cast<long>(WM_CAPTION_PAINT));
}

TEST(References, EveryStringAndDialogConstantResolves) {
  for (const auto& [name, value] : parseIds()) {
    if (name.rfind("IDS_", 0) == 0 || name.rfind("AFX_IDS_", 0) == 0 ||
        name.rfind("ID_INDICATOR_", 0) == 0) {
      EXPECT_NE(res::findString(static_cast<unsigned>(value)), nullptr) << name;
    }
    if (name.rfind("IDD_", 0) == 0) {
      EXPECT_NE(res::findDialog(static_cast<int>(value)), nullptr) << name;
    }
  }
}

TEST(References, EverySourceReferenceResolves) {
  auto ids = parseIds();
  const fs::path src = fs::path(WRENLOW_SOURCE_DIR) / "src";
  ASSERT_TRUE(fs::is_directory(src));
  // Named references, and numbers written where a string id goes: a load or
  // message call, a constant named for a message, or a comment that names one.
  const std::regex named(R"(\b(IDS_\w+|IDD_\w+)\b)");
  const std::regex numeric(
      R"((?:LoadStr|findString|Message\w*|Msg\w*|IDS\w*|[Ss]tring|[Mm]essage|line)\s*[\(=, ]\s*(\d{4,5})\b)");
  const std::regex dialogNumber(R"(findDialog\s*\(\s*(\d+))");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    ++files;
    const std::string text = readFile(entry.path());
    const std::string where = fs::relative(entry.path(), src).string();
    for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it) {
      const std::string name = (*it)[1];
      auto found = ids.find(name);
      if (found == ids.end()) continue;  // a local name that merely starts alike
      if (name.rfind("IDS_", 0) == 0) {
        EXPECT_NE(res::findString(static_cast<unsigned>(found->second)), nullptr)
            << where << ": " << name;
      } else {
        EXPECT_NE(res::findDialog(static_cast<int>(found->second)), nullptr)
            << where << ": " << name;
      }
    }
    for (std::sregex_iterator it(text.begin(), text.end(), numeric), end; it != end; ++it) {
      long id = std::stol((*it)[1]);
      if (isStringId(id)) {
        EXPECT_NE(res::findString(static_cast<unsigned>(id)), nullptr)
            << where << ": string " << id << " in \"" << it->str() << "\"";
      }
    }
    for (std::sregex_iterator it(text.begin(), text.end(), dialogNumber), end; it != end; ++it) {
      EXPECT_NE(res::findDialog(std::stoi((*it)[1])), nullptr) << where << ": " << it->str();
    }
  }
  EXPECT_GT(files, 5);
}

}  // namespace
