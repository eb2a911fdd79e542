#include "report/file_tree.h"

#include <memory>

#include "its/its_storage.h"
#include "its/text_helpers.h"
#include "platform/itss/com_ptr.h"

namespace {

constexpr const char* kReportStreams[] = {"#STRINGS", "#IVB",     "#IDXHDR", "#SYSTEM",
                                          "#URLSTR",  "#WINDOWS", "#TOPICS"};

bool isReportStream(std::string_view name) {
  for (const char* s : kReportStreams)
    if (sameNoCase(name, s)) return true;
  return false;
}

// The text after the last ".", or "" when there is none.
std::string_view extension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool oneOf(std::string_view ext, std::initializer_list<const char*> list) {
  for (const char* e : list)
    if (sameNoCase(ext, e)) return true;
  return false;
}

}  // namespace

int streamImage(std::string_view name) {
  if (!name.empty() && name[0] == '#') return isReportStream(name) ? kImageText : kImageBlank;
  if (!name.empty() && name[0] == '$') return kImageBlank;
  const std::string_view ext = extension(name);
  if (oneOf(ext, {".htm", ".html", ".xml", ".txt", ".js", ".h", ".hhp", ".hhc", ".css"}))
    return kImageText;
  if (oneOf(ext, {".gif", ".jpg", ".jpeg"})) return kImagePicture;
  return kImageBlank;
}

std::string_view itemText(std::string_view entry) {
  const std::size_t slash = entry.rfind('\\');
  return slash == std::string_view::npos ? entry : entry.substr(slash + 1);
}

void FileTree::clear() {
  paths_.clear();
  items_.clear();
  group_ = -1;
  generalInfo_ = false;
}

int FileTree::add(int parent, std::string text, int image, bool storage) {
  if (paths_.size() == paths_.capacity()) paths_.reserve(paths_.size() + kPathListStep);
  paths_.push_back(std::move(text));
  items_.push_back(TreeItem{parent, paths_.size() - 1, image, storage});
  return static_cast<int>(items_.size()) - 1;
}

int FileTree::groupItem() {
  if (group_ < 0) group_ = add(-1, kInternalFilesCaption, kImageFolder, false);
  return group_;
}

void FileTree::fill(itss::IStorage* root, std::string_view helpPath) {
  if (!root) return;
  if (!generalInfo_ && findNoCase(helpPath, ".its") == std::string_view::npos) {
    add(-1, kGeneralInfoCaption, kImageText, false);
    generalInfo_ = true;
  }
  // Depth first without recursion: a file's nesting never reaches the stack.
  struct Level {
    itss::ComPtr<itss::IStorage> storage;  // null for the root
    itss::ComPtr<itss::IEnumSTATSTG> elements;
    std::string path;
    int item = -1;
  };
  std::vector<std::unique_ptr<Level>> stack;
  // sub: an opened sub-storage whose reference the level adopts, or null
  // for the root.
  auto enter = [&](itss::IStorage* sub, std::string path, int item) {
    auto level = std::make_unique<Level>();
    level->storage = itss::ComPtr<itss::IStorage>(sub);
    level->path = std::move(path);
    level->item = item;
    itss::IStorage* storage = sub ? sub : root;
    if (itss::FAILED(storage->EnumElements(0, nullptr, 0, level->elements.put())))
      return;  // the branch stays empty
    stack.push_back(std::move(level));
  };
  enter(nullptr, std::string(), -1);
  while (!stack.empty()) {
    Level& level = *stack.back();
    itss::STATSTG stat{};
    itss::ULONG fetched = 0;
    if (itss::FAILED(level.elements->Next(1, &stat, &fetched)) || fetched == 0) {
      stack.pop_back();
      continue;
    }
    const std::string name = ItsStorage::takeName(stat.pwcsName);
    const std::string path = level.path.empty() ? name : level.path + "\\" + name;
    const bool inRoot = level.path.empty();
    const bool internal =
        (!name.empty() && name[0] == '$') || (inRoot && !name.empty() && name[0] == '#');
    const int parent = internal ? groupItem() : level.item;
    if (stat.type == itss::STGTY_STORAGE) {
      const int item = add(parent, path, kImageFolder, true);
      itss::IStorage* sub = nullptr;
      // Opened by name within its parent, which names the same element as
      // the "\"-joined path from the root.
      itss::IStorage* parentStorage = level.storage ? level.storage.get() : root;
      if (itss::SUCCEEDED(parentStorage->OpenStorage(name.c_str(), nullptr, itss::STGM_READ,
                                                     nullptr, 0, &sub)) &&
          sub)
        enter(sub, path, item);
    } else {
      const auto size = static_cast<std::uint32_t>(stat.cbSize);  // the low 32 bits
      add(parent, path + " (" + thousands(size) + ")", streamImage(name), false);
    }
  }
}

ItemSelection selectItem(std::string_view entry) {
  ItemSelection s;
  std::string path(entry);
  const std::size_t paren = path.rfind('(');
  if (paren != std::string::npos) path.resize(paren > 0 ? paren - 1 : 0);
  s.path = path;
  if (path == kGeneralInfoCaption) {
    s.action = ItemAction::kGeneralInfo;
    return s;
  }
  if (!path.empty() && path[0] == '#') {
    const std::pair<const char*, ItemAction> pages[] = {
        {"#STRINGS", ItemAction::kStrings},  {"#IVB", ItemAction::kIvb},
        {"#IDXHDR", ItemAction::kIdxHeader}, {"#SYSTEM", ItemAction::kSystem},
        {"#URLSTR", ItemAction::kUrlStr},    {"#WINDOWS", ItemAction::kWindows},
        {"#TOPICS", ItemAction::kTopics}};
    for (const auto& [name, action] : pages)
      if (sameNoCase(path, name)) s.action = action;
    return s;
  }
  if (!path.empty() && path[0] == '$') return s;
  const std::string_view ext = extension(path);
  if (sameNoCase(ext, ".hhc"))
    s.action = ItemAction::kContents;
  else if (oneOf(ext, {".htm", ".html", ".xml", ".txt", ".gif", ".jpg", ".jpeg"}))
    s.action = ItemAction::kNavigate;
  else if (oneOf(ext, {".h", ".hhp", ".css", ".js"}))
    s.action = ItemAction::kTextFile;
  return s;
}
