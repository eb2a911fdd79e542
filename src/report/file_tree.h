#pragma once
// The viewer's tree of a help file's internal storages and streams, without
// widgets: the path list the tree items point into, the items in the order
// they are inserted (each under its parent, last), and what selecting an
// item shows. The viewer mirrors the items into its tree control.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/itss/storage.h"

// Images of bitmap 137.
enum TreeImage {
  kImageFolder = 0,
  kImageOpenFolder = 1,
  kImageText = 2,
  kImagePicture = 3,
  kImageBlank = 4
};

// Captions of the two synthetic items.
inline constexpr const char* kGeneralInfoCaption = "常规信息";
inline constexpr const char* kInternalFilesCaption = "内部文件";

struct TreeItem {
  int parent = -1;       // index of the parent item, -1 at the root
  std::size_t path = 0;  // index into the path list (the item's parameter)
  int image = kImageBlank;
  bool storage = false;
};

class FileTree {
 public:
  // The path list starts with room for this many entries and grows by it.
  static constexpr std::size_t kPathListStep = 256;

  // Empties the list and the items (the general-information flag and the
  // internal-files group go with them).
  void clear();
  // Adds the items of the file: at the root, once per file, the general
  // information item (not for ".its" files), then every element in the
  // engine's order, storages filled depth first. An element whose name
  // starts with "$" (at any depth), or with "#" directly in the root, goes
  // under the internal-files group, made on first need.
  void fill(itss::IStorage* root, std::string_view helpPath);

  const std::vector<std::string>& paths() const { return paths_; }
  const std::vector<TreeItem>& items() const { return items_; }
  int internalFilesGroup() const { return group_; }
  bool hasGeneralInfo() const { return generalInfo_; }

 private:
  int add(int parent, std::string text, int image, bool storage);
  int groupItem();

  std::vector<std::string> paths_;
  std::vector<TreeItem> items_;
  int group_ = -1;
  bool generalInfo_ = false;
};

// The text an item shows: its path-list entry after the last "\" (a
// stream's name with its size, a storage's name).
std::string_view itemText(std::string_view pathEntry);

// The image of a stream by its name.
int streamImage(std::string_view name);

// What selecting an item shows.
enum class ItemAction {
  kGeneralInfo,
  kStrings,
  kUrlStr,
  kIvb,
  kIdxHeader,
  kSystem,
  kWindows,
  kTopics,
  kContents,    // the sitemap tree page of path
  kNavigate,    // the internal file itself in the browser
  kTextFile,    // the text-file page of path
  kBinaryFile,  // the binary-file page
};
struct ItemSelection {
  ItemAction action = ItemAction::kBinaryFile;
  std::string path;  // the internal path ("\"-joined), size suffix removed
};
ItemSelection selectItem(std::string_view pathEntry);
