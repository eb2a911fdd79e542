#pragma once
// Recent-entry lists of dialog fields, kept in an initialisation file
// ("Wrenlow.ini" in the Windows folder) as keys "File0", "File1", ... of one
// section each, most recent first.
#include <string>
#include <string_view>
#include <vector>

// Where FillCombo puts the entries (the GUI adapts its combo box to this).
class ComboTarget {
 public:
  virtual ~ComboTarget() = default;
  virtual void addString(std::string_view text) = 0;
  virtual void select(int index) = 0;
};

class CHistoryList {
 public:
  // The most bytes of entry text a list holds (the private heap's ceiling).
  static constexpr std::size_t kMaxBytes = 0x40000;

  CHistoryList(std::string_view iniFile, std::string_view section, int maxCount);
  // Saves the list when it was loaded and changed.
  ~CHistoryList();
  CHistoryList(const CHistoryList&) = delete;
  CHistoryList& operator=(const CHistoryList&) = delete;

  // Reads "File0", "File1", ... up to the first missing key (or a key whose
  // value is "none"); empty values are skipped.
  void Load();
  // Puts the full path of name first, removing the entry that names the
  // same file (the same file under another name, or the same path text when
  // it does not exist). Paths that differ in letter case are two files.
  void AddRecent(std::string_view name);
  // Adds the entries in order and selects the first.
  void FillCombo(ComboTarget& combo);
  // Writes the entries whose files or folders still exist as File0, File1,
  // ... (at most maxCount), and removes the keys numbered after them that the
  // file still holds, so that dropped or stale entries do not come back.
  void Save();

  const std::vector<std::string>& entries();
  bool loaded() const { return loaded_; }
  bool modified() const { return modified_; }

 private:
  bool fits(std::size_t extra) const;

  std::vector<std::string> entries_;
  std::string iniFile_;
  std::string section_;
  int maxCount_;
  bool loaded_ = false;
  bool modified_ = false;
  int keysInFile_ = 0;  // File0..File(n-1) seen when loading
};

// The program's recent-entry lists, each created at its first use and kept
// until SaveHistoryLists (at program exit).
inline constexpr const char* kHistoryIniFile = "Wrenlow.ini";
CHistoryList& GetHistoryList(std::string_view section, int maxCount);
// Saves every list that was loaded and changed, then frees them all.
void SaveHistoryLists();
