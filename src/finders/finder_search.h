#pragma once
// The search of the component and help file finders: in the HTML Help
// components mode first the copies the registry registers and the copies in
// the system folders, then a walk over every fixed drive matching file names
// (the component modes) or extensions (the help file modes). The rows are
// the dialog's, in the order found; the dialog sorts them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "finders/component_tables.h"
#include "platform/system/fixed_drives.h"

namespace finders {

struct FinderRow {
  std::array<std::string, 4> text;  // name, version or extension, date, path
  std::uint32_t index = 0;          // the row number it was appended with
};

// What the search needs of the window it runs in: the progress window with
// its message, bar, event pump and cancelled flag. The defaults do nothing.
class FinderProgress {
 public:
  virtual ~FinderProgress() = default;
  // The window appears: range 0..units, the first message.
  virtual void begin(std::uint32_t units, const std::string& message) {
    (void)units;
    (void)message;
  }
  virtual void setMessage(const std::string& message) { (void)message; }
  virtual void step() {}
  virtual void pump() {}
  virtual bool cancelled() { return false; }
  virtual void end() {}
};

class FinderSearch {
 public:
  explicit FinderSearch(FinderMode mode) : mode_(mode) {}

  // The whole search over the given drives.
  void run(const std::vector<drives::FixedDrive>& drives, FinderProgress& progress);

  // Mode 0's first step: registered and system-folder copies.
  void listRegisteredComponents();

  const std::vector<FinderRow>& rows() const { return rows_; }
  std::vector<FinderRow>& rows() { return rows_; }
  std::uint32_t found() const { return found_; }
  // Folders the walk could not open or read, and so skipped.
  std::uint32_t unopenedFolders() const { return unopened_; }
  void countUnopened() { ++unopened_; }
  bool cancelled() const { return cancelled_; }
  FinderMode mode() const { return mode_; }

  // The progress text of the mode for a drive and a count.
  std::string message(const std::string& drive, std::uint32_t count) const;

  // Called by the walk for each file.
  void matchFile(const std::string& folder, std::string_view name, const std::string& drive,
                 FinderProgress& progress);

 private:
  void append(std::string name, std::string second, std::string path);
  bool listed(const std::string& path) const;
  bool componentRow(const std::string& shownName, const std::string& path, bool control);

  FinderMode mode_;
  std::vector<FinderRow> rows_;
  std::vector<std::string> listedPaths_;
  std::uint32_t found_ = 0;
  std::uint32_t unopened_ = 0;
  bool cancelled_ = false;
};

// The drives the finders walk: drives::fixedDrives(), less the letters a
// prefix's registry marks as another kind of drive (HKLM "Software\Wine\Drives":
// "cdrom", "floppy", "network"; "hd" or no value is a fixed disk).
std::vector<drives::FixedDrive> finderDrives();

// The row texts sorted as the dialog first shows them: by column 0,
// ascending, without regard to the case of A–Z, ties in the order found.
void sortByName(std::vector<FinderRow>& rows);

// A path read from the registry made local: "C:\..." through the drive
// letter's folder (a prefix's drive_c), "\" as "/".
std::string localPath(const std::string& windowsPath);

// The default value of a HKEY_CLASSES_ROOT sub-key, when it reads and fits
// the 260-byte buffer the program reads it into.
bool readClassValue(const std::string& subKey, std::string& value);

// Delete (103) after the question: deletes the file and, when it is the
// registered copy of a component of the registered-components table, that
// class's InprocServer32 key. False when the file could not be deleted.
bool deleteFoundFile(const std::string& path);

}  // namespace finders
