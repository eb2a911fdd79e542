// The viewer's file tree over files written with the storage engine: the
// synthetic items, the internal-files group, sizes and selection dispatch.
#include "report/file_tree.h"

#include <gtest/gtest.h>

#include "its/its_storage.h"
#include "tests/decompile/crafted_file.h"

namespace {

// "parent-caption > item-text" for every item, in insertion order.
std::vector<std::string> describe(const FileTree& tree) {
  std::vector<std::string> out;
  for (const TreeItem& item : tree.items()) {
    const std::string parent =
        item.parent < 0 ? "" : std::string(itemText(tree.paths()[tree.items()[item.parent].path]));
    out.push_back(parent + " > " + std::string(itemText(tree.paths()[item.path])) + " @" +
                  std::to_string(item.image));
  }
  return out;
}

FileTree treeOf(const crafted::TempDir& dir, const std::string& name, const crafted::Tree& files) {
  const std::string path = dir / name;
  EXPECT_TRUE(crafted::write(path, files));
  ItsStorage storage;
  EXPECT_EQ(storage.open(path.c_str()), itss::S_OK);
  FileTree tree;
  tree.fill(storage.root(), path);
  return tree;
}

TEST(FileTree, GroupsInternalFilesAndKeepsTheEngineOrder) {
  crafted::TempDir dir;
  const FileTree tree = treeOf(dir, "a.chm",
                               {{"#SYSTEM", std::string(999, 's')},
                                {"$FIftiMain", "f"},
                                {"$WWKeywordLinks/BTree", "b"},
                                {"big.HTM", std::string(1234567, 'x')},
                                {"sub/#SYSTEM", "s"},
                                {"sub/$inner", "i"},
                                {"sub/pic.JPEG", "p"}});
  // The engine lists names sorted with ASCII case folded: "#", "$", "b", "s".
  EXPECT_EQ(describe(tree), (std::vector<std::string>{
                                " > 常规信息 @2",
                                " > 内部文件 @0",
                                "内部文件 > #SYSTEM (999) @2",
                                "内部文件 > $FIftiMain (1) @4",
                                "内部文件 > $WWKeywordLinks @0",
                                "$WWKeywordLinks > BTree (1) @4",
                                " > big.HTM (1,234,567) @2",
                                " > sub @0",
                                "sub > #SYSTEM (1) @2",
                                "内部文件 > $inner (1) @4",
                                "sub > pic.JPEG (1) @3",
                            }));
  EXPECT_EQ(tree.paths()[9], "sub\\$inner (1)");

  // An ".its" file (any case) has no general-information item.
  const FileTree its = treeOf(dir, "b.ITS", {{"x.txt", "x"}});
  ASSERT_EQ(its.items().size(), 1u);
  EXPECT_EQ(its.paths()[0], "x.txt (1)");
}

TEST(FileTree, SelectionDispatch) {
  EXPECT_EQ(selectItem("常规信息").action, ItemAction::kGeneralInfo);
  EXPECT_EQ(selectItem("#system (12)").action, ItemAction::kSystem);
  EXPECT_EQ(selectItem("#TOPICS (1,600)").action, ItemAction::kTopics);
  EXPECT_EQ(selectItem("#ITBITS (0)").action, ItemAction::kBinaryFile);
  EXPECT_EQ(selectItem("$FIftiMain (5)").action, ItemAction::kBinaryFile);
  const ItemSelection page = selectItem("html\\Page (2).HTM (1,234,567)");
  EXPECT_EQ(page.action, ItemAction::kNavigate);
  EXPECT_EQ(page.path, "html\\Page (2).HTM");
  EXPECT_EQ(selectItem("sub\\toc.hhc (10)").action, ItemAction::kContents);
  EXPECT_EQ(selectItem("index.hhk (10)").action, ItemAction::kBinaryFile);
  EXPECT_EQ(selectItem("style.CSS (3)").action, ItemAction::kTextFile);
  EXPECT_EQ(selectItem("html").action, ItemAction::kBinaryFile);  // a storage
  EXPECT_EQ(selectItem("内部文件").action, ItemAction::kBinaryFile);
  EXPECT_EQ(selectItem("(odd").action, ItemAction::kBinaryFile);
}

}  // namespace
