#include "finders/finder_search.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/messages.h"
#include "common/string_utils.h"
#include "finders/row_texts.h"
#include "platform/registry/registry.h"
#include "platform/system/folder_walk.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"

namespace finders {

namespace {

// The registry text buffer the program reads paths into.
constexpr std::size_t kPathBuffer = 260;

std::string clsidServerKey(const char* clsid) {
  return std::string("CLSID\\{") + clsid + "}\\InprocServer32";
}

std::string registeredSuffix() { return LoadStr(IDS_REGISTERED_SUFFIX); }

int compareNoCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool hasLowerCase(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The walk's side: files go to the search, the progress points to the window.
class SearchHooks : public walk::WalkHooks {
 public:
  SearchHooks(FinderSearch& search, FinderProgress& progress, const std::string& drive)
      : search_(search), progress_(progress), drive_(drive) {}
  void file(const std::string& folder, std::string_view name) override {
    search_.matchFile(folder, name, drive_, progress_);
  }
  void shallowFolder() override {
    progress_.step();
    progress_.pump();
  }
  void pump() override { progress_.pump(); }
  void unopened(const std::string&) override { search_.countUnopened(); }
  bool cancelled() override { return progress_.cancelled(); }

 private:
  FinderSearch& search_;
  FinderProgress& progress_;
  const std::string& drive_;
};

}  // namespace

std::string localPath(const std::string& windowsPath) {
  std::string path = sysdirs::nativePath(windowsPath);
  const std::string prefix = sysdirs::winePrefix();
  if (prefix.empty() || windowsPath.size() < 2 || windowsPath[1] != ':') return path;
  // "<prefix>/dosdevices/c:" stands for the folder the letter leads to.
  const std::string head = prefix + "/dosdevices/" + static_cast<char>(windowsPath[0] | 0x20) + ":";
  if (path.compare(0, head.size(), head) != 0) return path;
  char* real = ::realpath(head.c_str(), nullptr);
  if (!real) return path;
  std::string root(real);
  std::free(real);
  if (root == "/") root.clear();
  return root + path.substr(head.size());
}

bool readClassValue(const std::string& subKey, std::string& value) {
  std::string text;
  if (reg::RegQueryValue(reg::HKEY_CLASSES_ROOT, subKey, &text) != reg::ERROR_SUCCESS) return false;
  if (text.size() + 1 > kPathBuffer) return false;
  value = text;
  return true;
}

std::string FinderSearch::message(const std::string& drive, std::uint32_t count) const {
  unsigned id = isComponentMode(mode_)               ? IDS_SEARCHING_COMPONENTS
                : mode_ == FinderMode::HtmlHelpFiles ? IDS_SEARCHING_HTMLHELP_FILES
                                                     : IDS_SEARCHING_WINHELP_FILES;
  return fillFormat(LoadStr(id), {drive, std::to_string(count)});
}

void FinderSearch::append(std::string name, std::string second, std::string path) {
  FinderRow row;
  row.text = {std::move(name), std::move(second), fileDateText(path), path};
  row.index = static_cast<std::uint32_t>(rows_.size());
  rows_.push_back(std::move(row));
}

bool FinderSearch::listed(const std::string& path) const {
  return std::any_of(listedPaths_.begin(), listedPaths_.end(),
                     [&](const std::string& p) { return SamePath(p, path); });
}

bool FinderSearch::componentRow(const std::string& shownName, const std::string& path,
                                bool control) {
  auto version = fileVersionText(path, control);
  if (!version) return false;
  append(shownName, *version, path);
  listedPaths_.push_back(path);
  return true;
}

void FinderSearch::listRegisteredComponents() {
  const std::string suffix = registeredSuffix();
  const std::string system = sysdirs::systemFolder() + "/";
  // The HTML Help control: its registered copy, then the system folder's
  // when that is another file.
  std::string registered;
  if (readClassValue(clsidServerKey(kHtmlHelpControlClsid), registered)) {
    registered = localPath(registered);
    componentRow(std::string(kHtmlHelpControl) + suffix, registered, true);
  }
  std::string systemCopy = system + kHtmlHelpControl;
  if (registered.empty() || !SamePath(systemCopy, registered))
    componentRow(kHtmlHelpControl, systemCopy, true);

  for (const RegisteredComponent& c : registeredComponents()) {
    std::string path;
    if (readClassValue(clsidServerKey(c.clsid), path)) {
      path = localPath(path);
      componentRow(std::string(c.file) + suffix, path, false);
    }
    std::string copy = system + c.file;
    if (path.empty() || !SamePath(copy, path)) componentRow(c.file, copy, false);
  }
  const std::string windows = sysdirs::windowsFolder() + "/";
  componentRow("hh.exe", windows + "hh.exe", false);
  componentRow("Quenby.exe", windows + "Quenby.exe", false);
  for (auto [key, name] : {std::pair{"Hhc.File\\DefaultIcon", "hhw.exe"},
                           std::pair{"FlashBmp\\DefaultIcon", "flash.exe"}}) {
    std::string icon;
    if (!readClassValue(key, icon)) continue;
    icon = icon.substr(0, icon.find(','));
    componentRow(std::string(name) + suffix, localPath(icon), false);
  }
}

void FinderSearch::matchFile(const std::string& folder, std::string_view name,
                             const std::string& drive, FinderProgress& progress) {
  auto report = [&] {
    ++found_;
    progress.setMessage(message(drive, found_));
    progress.pump();
  };
  if (isComponentMode(mode_)) {
    auto names = mode_ == FinderMode::HtmlHelpComponents ? htmlHelpComponentNames()
                                                         : winHelpComponentNames();
    const auto match = std::find_if(names.begin(), names.end(),
                                    [&](const char* n) { return EqualsNoCase(n, name); });
    if (match == names.end()) return;
    std::string path = folder + std::string(name);
    if (listed(path)) return;
    if (mode_ == FinderMode::WinHelpComponents) {
      auto version = fileVersionText(path, false);
      append(*match, version ? *version : std::string("???"), path);
      report();
      return;
    }
    const bool control = match == names.begin();
    auto version = fileVersionText(path, control);
    if (version) append(*match, *version, path);
    // The control counts as found with or without a version; other
    // components only when they are listed.
    if (version || control) report();
    return;
  }
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return;
  const std::string_view ext = name.substr(dot);
  for (const char* e : helpFileExtensions(mode_)) {
    if (!EqualsNoCase(e, ext)) continue;
    std::string shown(name);
    if (!hasLowerCase(shown))
      for (char& c : shown)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    // The name column shows a name in capitals lower-cased; the path column,
    // which Explorer and Delete act on, keeps the name as it is on disk
    // (on a file system that tells case apart, the lower-cased name is
    // another file or none).
    const std::string path = folder + std::string(name);
    FinderRow row;
    row.text = {shown, e, fileDateText(path), path};
    row.index = static_cast<std::uint32_t>(rows_.size());
    rows_.push_back(std::move(row));
    report();
    return;
  }
}

void FinderSearch::run(const std::vector<drives::FixedDrive>& drives, FinderProgress& progress) {
  if (mode_ == FinderMode::HtmlHelpComponents) listRegisteredComponents();
  std::uint32_t units = 0;
  std::vector<walk::FolderId> roots;
  for (const drives::FixedDrive& d : drives) {
    units += walk::shallowUnits(d.root);
    walk::FolderId id;
    if (walk::folderId(d.root, id)) roots.push_back(id);
  }
  found_ = static_cast<std::uint32_t>(listedPaths_.size());
  progress.begin(units, message(drives.empty() ? std::string("C:") : drives.front().name, found_));
  for (std::size_t i = 0; i < drives.size() && !progress.cancelled(); ++i) {
    const drives::FixedDrive& d = drives[i];
    progress.setMessage(message(d.name, found_));
    progress.pump();
    // Another drive's root inside this one is walked as that drive.
    std::vector<walk::FolderId> others;
    for (const drives::FixedDrive& other : drives) {
      walk::FolderId id;
      if (&other != &d && walk::folderId(other.root, id)) others.push_back(id);
    }
    SearchHooks hooks(*this, progress, d.name);
    walk::walkDrive(d.root, hooks, others);
  }
  cancelled_ = progress.cancelled();
  progress.end();
}

std::vector<drives::FixedDrive> finderDrives() {
  std::vector<drives::FixedDrive> all = drives::fixedDrives();
  if (sysdirs::winePrefix().empty()) return all;
  reg::UniqueKey types;
  if (reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", 0, reg::KEY_READ,
                        types.put()) != reg::ERROR_SUCCESS)
    return all;
  std::vector<drives::FixedDrive> fixed;
  for (drives::FixedDrive& d : all) {
    std::vector<std::uint8_t> data;
    reg::DWORD type = 0;
    std::string name = d.name;
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    std::string kind;
    if (reg::RegQueryValueEx(types.get(), name, &type, &data) == reg::ERROR_SUCCESS &&
        !data.empty())
      kind.assign(reinterpret_cast<const char*>(data.data()),
                  ::strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
    if (kind.empty() || EqualsNoCase(kind, "hd")) fixed.push_back(std::move(d));
  }
  return fixed;
}

void sortByName(std::vector<FinderRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const FinderRow& a, const FinderRow& b) {
    return compareNoCase(a.text[0], b.text[0]) < 0;
  });
}

bool deleteFoundFile(const std::string& path) {
  // Whether the file is a registered copy is settled before it goes: after
  // that there is no file left to compare by identity.
  const std::string name = path.substr(path.rfind('/') + 1);
  const RegisteredComponent* registeredAs = nullptr;
  for (const RegisteredComponent& c : registeredComponents()) {
    if (!EqualsNoCase(c.file, name)) continue;
    std::string registered;
    if (readClassValue(clsidServerKey(c.clsid), registered) &&
        SamePath(localPath(registered), path))
      registeredAs = &c;
    break;  // the first entry of the table with this name decides
  }
  if (::unlink(path.c_str()) != 0) return false;
  if (registeredAs) {
    reg::UniqueKey classes;
    if (reg::RegCreateKeyEx(reg::HKEY_CLASSES_ROOT, "CLSID", reg::KEY_ALL_ACCESS, classes.put()) ==
        reg::ERROR_SUCCESS)
      reg::RegDeleteKey(classes.get(),
                        std::string("{") + registeredAs->clsid + "}\\InprocServer32");
  }
  return true;
}

}  // namespace finders
