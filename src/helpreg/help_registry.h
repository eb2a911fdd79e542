#pragma once
// The help-location registry keys: one value per help file under
// HKEY_LOCAL_MACHINE, named by the file's bare name, whose data is the folder
// that holds it. Reading them with the check for registered files that no
// longer exist, deleting values, and saving an edited list by comparing it
// with the list as it was read. Used by the registry editor dialogs and by
// `wrenlow-cli registry`; nothing here shows a window.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/system/drives.h"

namespace helpreg {

enum class Mode { HtmlHelp, WinHelp };

// "Software\Microsoft\Windows\HTML Help" or "Software\Microsoft\Windows\Help".
const char* keyPath(Mode mode);

// Value names and data longer than these buffers (terminating zero counted)
// end the enumeration: that value and the later ones are not listed.
constexpr std::size_t kNameBuffer = 260;
constexpr std::size_t kDataBuffer = 260;

struct Entry {
  std::string name;    // the help file's name
  std::string folder;  // without a trailing "\"; a root folder is "C:"
  bool operator==(const Entry&) const = default;
};

struct MissingFile {
  std::uint32_t row = 0;  // the value's position in the enumeration
  std::string path;       // folder + "\" + name, as tested
};

// Which folders lie on fixed drives: drive letters from the table, and,
// outside a Wine prefix, absolute POSIX folders on a local disk mount.
class FixedDrives {
 public:
  // The drives of the current installation (the prefix of
  // sysdirs::winePrefix(), else this machine).
  static FixedDrives current();
  FixedDrives(sysdrives::DriveTable letters, std::string prefix,
              std::vector<sysdrives::Mount> mounts);

  bool holds(std::string_view folder) const;
  const sysdrives::DriveTable& letters() const { return letters_; }

 private:
  sysdrives::DriveTable letters_;
  std::string prefix_;
  std::vector<sysdrives::Mount> mounts_;
};

// The full path of a registered file: folder, a separator unless the folder
// ends in "\", "/" or ":", and name. The separator is "/" for a native
// folder (one that begins with "/"), else "\".
std::string fullPath(std::string_view folder, std::string_view name);

// Whether a registered file exists, its path a Windows path of the
// installation (or, outside a prefix, a POSIX path). In a prefix a path
// that does not exist letter for letter is looked up the way Wine finds
// files, without regard to case.
//
// `cache`, when given, keeps what was learnt about the folders on the way
// (whether they exist, their names) for the next files of the same listing,
// so that thousands of files in a few folders cost a look at each file.
class ExistenceCache {
 public:
  bool exists(const std::string& path);
  // The name in folder equal to `name` without regard to ASCII case (the
  // first one listed), or empty.
  std::string findNoCase(const std::string& folder, const std::string& name);

 private:
  std::unordered_map<std::string, bool> exists_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};
bool registeredFileExists(const std::string& path, ExistenceCache* cache = nullptr);

struct Listing {
  bool keyOpened = false;
  std::vector<Entry> entries;        // enumeration order: the snapshot
  std::vector<MissingFile> missing;  // entries on fixed drives whose file is gone
  bool cutShort = false;             // a value too long for the buffers ended the list
  // With LongValues::Skip: the names of the values passed over as too long.
  std::vector<std::string> tooLong;
  bool unreadable = false;  // the hive file exists but could not be read
};

// What a value too long for the buffers does to the enumeration: the
// editor's list ends there (the value and every later one stay out of the
// snapshot and so out of the save); the command line passes over it and
// goes on, so that it can list and change every value that fits.
enum class LongValues { EndList, Skip };

// Reads the mode's key. Files are tested only for folders on fixed drives.
Listing readEntries(Mode mode, const FixedDrives& drives,
                    LongValues longValues = LongValues::EndList);

// A value's data as the list shows it: a string up to its first zero; a
// number (REG_DWORD) as "0x0000000a (10)"; other binary data as hex bytes
// "hex:01,02".
std::string valueText(std::uint32_t type, const std::vector<std::uint8_t>& data);

// The outcome of a change to the key: whether the key could be opened (or
// created) for writing, and the names whose deletion or writing failed.
// While a wine server owns the prefix's files nothing is tried: `refusal`
// tells why.
struct WriteResult {
  bool keyOpened = false;
  std::vector<std::string> failed;
  std::string refusal;
  bool ok() const { return keyOpened && failed.empty(); }
};

// Deletes the named values (a value already gone counts as deleted).
WriteResult deleteValues(Mode mode, const std::vector<std::string>& names);

// Writes one value as REG_SZ, creating the key when missing.
WriteResult setValue(Mode mode, const Entry& entry);

// One step of a save.
struct Change {
  enum Kind { Delete, Write } kind;
  Entry entry;  // Delete: only the name counts
};

// What saving `edited` over `snapshot` does, in order: for each snapshot
// value, in snapshot order, whose name (case ignored) is not in the edited
// list, a delete; whose first edited row has another folder (case counts),
// a delete and a write of that row; then a write for each edited row, in
// list order, whose name is not in the snapshot. Nothing for unchanged
// values.
std::vector<Change> planSave(const std::vector<Entry>& snapshot, const std::vector<Entry>& edited);

// Opens (or creates) the key with full access and carries out the plan.
// Nothing is written when the key cannot be opened.
WriteResult applyChanges(Mode mode, const std::vector<Change>& changes);

// The registry entry of a file chosen in the open-file dialog (a native
// path): in a prefix its Windows path through the drive letters, split at
// the last "\" (a file in a drive's root folder gets the folder "C:");
// outside a prefix split at the last "/" (the root folder is "/").
Entry entryForFile(const std::string& nativePath);

// The name shown for a missing file's row: name + " (不存在)". stripSuffix
// cuts a name at the first occurrence of that suffix.
std::string withMissingSuffix(std::string_view name);
std::string stripMissingSuffix(std::string_view name);

}  // namespace helpreg
