#include "common/history_list.h"

#include <sys/stat.h>

#include <memory>

#include "common/string_utils.h"
#include "platform/system/profile_file.h"

namespace {

std::string keyName(int n) { return "File" + std::to_string(n); }

}  // namespace

CHistoryList::CHistoryList(std::string_view iniFile, std::string_view section, int maxCount)
    : iniFile_(iniFile), section_(section), maxCount_(maxCount) {}

CHistoryList::~CHistoryList() {
  if (loaded_ && modified_) Save();
}

bool CHistoryList::fits(std::size_t extra) const {
  std::size_t total = extra;
  for (const auto& e : entries_) total += e.size() + 1;
  return total <= kMaxBytes;
}

void CHistoryList::Load() {
  entries_.clear();
  keysInFile_ = 0;
  for (int n = 0;; ++n) {
    std::string value = profile::GetPrivateProfileString(section_, keyName(n), "none", iniFile_);
    if (value == "none") break;
    keysInFile_ = n + 1;
    if (value.empty()) continue;
    if (!fits(value.size() + 1)) break;
    entries_.push_back(std::move(value));
  }
  loaded_ = true;
}

void CHistoryList::AddRecent(std::string_view name) {
  if (!loaded_) Load();
  std::string path = FullPathName(name);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (SamePath(*it, path)) {
      entries_.erase(it);
      break;
    }
  }
  entries_.insert(entries_.begin(), path);
  while (entries_.size() > 1 && !fits(0)) entries_.pop_back();
  modified_ = true;
}

void CHistoryList::FillCombo(ComboTarget& combo) {
  if (!loaded_) Load();
  for (const auto& e : entries_) combo.addString(e);
  if (!entries_.empty()) combo.select(0);
}

void CHistoryList::Save() {
  if (!loaded_) Load();
  int i = 0;
  for (const auto& e : entries_) {
    if (i >= maxCount_) break;
    struct stat st {};
    if (::stat(e.c_str(), &st) != 0) continue;  // gone: drop it and close the gap
    profile::WritePrivateProfileString(section_, keyName(i), e, iniFile_);
    ++i;
  }
  for (int n = i; n < keysInFile_ || profile::GetPrivateProfileString(section_, keyName(n), "none",
                                                                      iniFile_) != "none";
       ++n)
    profile::WritePrivateProfileString(section_, keyName(n), std::nullopt, iniFile_);
  keysInFile_ = i;
  modified_ = false;
}

const std::vector<std::string>& CHistoryList::entries() {
  if (!loaded_) Load();
  return entries_;
}

namespace {

std::vector<std::unique_ptr<CHistoryList>>& historyLists() {
  static std::vector<std::unique_ptr<CHistoryList>> lists;
  return lists;
}

std::vector<std::string>& historySections() {
  static std::vector<std::string> sections;
  return sections;
}

}  // namespace

CHistoryList& GetHistoryList(std::string_view section, int maxCount) {
  auto& lists = historyLists();
  auto& sections = historySections();
  for (std::size_t i = 0; i < sections.size(); ++i)
    if (sections[i] == section) return *lists[i];
  lists.push_back(std::make_unique<CHistoryList>(kHistoryIniFile, section, maxCount));
  sections.emplace_back(section);
  return *lists.back();
}

void SaveHistoryLists() {
  // Destroying a list saves it when it was loaded and changed.
  historyLists().clear();
  historySections().clear();
}
