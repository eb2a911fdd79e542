// The string table. Entries are kept sorted by id (checked at compile time) so
// that lookups are a binary search. Texts are UTF-8; "\r\n" inside a text is
// part of it (result lines and the project header carry their own line ends).
#include "res/string_table.h"

#include <algorithm>
#include <array>

#include "res/ids.h"
#include "res/strings.h"

namespace res {
namespace {

constexpr StringEntry kStrings[] = {
    // Document string of the single-document template.
    {IDR_MAINFRAME, "Wrenlow\n\nWrenlow\n\n\nWrenlow.Document\nWrenlow 文档"},

    // Status-bar prompts of commands without a menu item.
    {ID_CREATE_ITS, "创建一个 ITS 文件"},
    {ID_DECOMPILE, "编译一个 CHM 或 ITS 文件"},
    {ID_RECOMPILE, "重新编译一个 CHM 或 ITS 文件"},
    {ID_SAVE_RESULTS, "保存结果到一个文件"},

    // Program messages.
    {IDS_SHOW_HELP, "显示帮助(&H) >>"},
    {IDS_HIDE_HELP, "隐藏帮助(&H) <<"},
    {IDS_PROJECT_NO_FILES, "工程文件“%s”没有在 [FILES] 节中指定任何文件。"},
    {IDS_INVALID_ITS_NAME, "文件名“%s”对于一个 ITS 文件是无效的。"},
    {IDS_ITS_FILES_SUMMARY, "%s 个文件,%s, %s 字节\r\n"},
    {IDS_ITS_SIZE_SUMMARY, "%s: %s 字节\r\n"},
    {IDS_DECOMPILE_FOLDER_TITLE, "要放置反编译文件的文件夹"},
    {IDS_INVALID_FOLDER, "“%s”是一个无效的文件夹名称。"},
    {IDS_CANNOT_CREATE, "不能创建“%s”"},
    {IDS_CANNOT_CREATE_FOLDER_LINE, "\r\n不能创建文件夹“%s”。反编译将不完整。"},
    {IDS_CANNOT_READ_FILE,
     "Wrenlow 无法完整读取文件“%s”。这可能是由于一个损坏的 CHM/ITS 文件。文件将不被反编译。"},
    {IDS_FILE_READ_ONLY, "“%s”已经存在并且被标记为只读文件。"},
    {IDS_SKIPPED, "跳过的反编译“%s”"},
    {IDS_CANNOT_CREATE_FILE, "不能创建文件“%s”"},
    {IDS_WRITE_ERROR, "当写入到“%s”时，发生一个错误。反编译已取消。"},
    {IDS_WRITE_ERROR_LINE, "当写入到“%s”时，反编译由于错误已取消。"},
    {IDS_DECOMPILE_SUMMARY, "%s 反编译到 %s\r\n%s 个文件%s\r\n%s 文件夹%s"},
    {IDS_EXISTS_AS_FILE, "“%s”已经作为一个文件存在。Wrenlow 需要用该名称为反编译创建一个文件夹。"},
    {IDS_SELECT_ENTRY_FIRST, "您必须首先选择一个条目。"},
    {IDS_COL_FILE, "文件"},
    {IDS_COL_PATH, "路径"},
    {IDS_COL_COMPONENT, "组件"},
    {IDS_COL_VERSION, "版本"},
    {IDS_COL_DATE, "修改日期"},
    {IDS_SEARCHING_COMPONENTS, "正在为帮助组件搜索 %s...\r\n已找到: %u"},
    {IDS_CONFIRM_DELETE, "您确实想要删除文件“%s”吗？"},
    {IDS_CANNOT_DELETE, "Wrenlow 无法删除文件“%s”。文件可能被写保护，或是当前正在使用。"},
    {IDS_WILDCARD_NEEDS_FOLDER,
     "您已在您的原始文件名中指定了通配符 (* 或 ?)，因此您必须为目标指定一个文件夹，而不是一个"
     "文件。"},
    {IDS_RECOMPILE_FOLDER_TITLE, "要放置重新编译文件的文件夹"},
    {IDS_FILE_EMPTY, "文件“%s”是空的。"},
    {IDS_RECOMPILE_WRITE_ERROR, "当写入到“%s”(在“%s”中) 时，发生一个错误。重新编译已取消。"},
    {IDS_RECOMPILE_REDUCED, "%s\t(%sK >> %sK)\t减少了 %s 字节%s\t(%u%%)"},
    {IDS_PROJECT_HEADER, "; 该工程文件由 Wrenlow 重建。\r\n; 它只是近似于原始工程文件。\r\n\r\n"},
    {IDS_HELP_WINDOW_TITLE, "Wrenlow 帮助"},
    {IDS_SEARCHING_HTMLHELP_FILES, "正在为 HTML 帮助文件搜索 %s...\r\n已找到: %u"},
    {IDS_SEARCHING_WINHELP_FILES, "正在为 WinHelp 文件搜索 %s...\r\n已找到: %u"},
    {IDS_COL_EXTENSION, "扩展名"},
    {IDS_CHM_FILTER, "已编译的 HTML 帮助文件|*.chm;*.its;*.chi||"},
    {IDS_RECOMPILE_INCREASED,
     "%s\t(%sK >> %sK)\t增加了 %s 字节%s\t(-%u%%)。因为压缩的损失，该文件应该没有被使用。"},
    {IDS_TOTAL_REDUCED, "\r\n合计:\t(%sK >> %sK)\t减少了 %s 字节%s\t(%u%%)"},
    {IDS_TOTAL_INCREASED, "\r\n合计:\t(%sK >> %sK)\t增加了 %s 字节%s\t(-%u%%)"},
    {IDS_ABOUT_TITLE, "Wrenlow 版本信息"},
    {IDS_WINHELP_COMPONENTS_TITLE, "WinHelp 组件"},
    {IDS_WINHELP_FILES_TITLE, "WinHelp 文件"},
    {IDS_HTMLHELP_FILES_TITLE, "HTML 帮助文件"},
    {IDS_ADD_TO_WORKSHOP_GROUP, "您想要把 Wrenlow 添加到 HTML Help Workshop 程序组吗？"},
    {IDS_ADDED_TO_GROUP, "Wrenlow 被添加到了您的 Marrowby 程序组。"},
    {IDS_TEMP_FILES_FOUND,
     "Wrenlow 找到了 %s 个使用 HTML 帮助的程序创建的暂时文件。您想删除没有被使用的文件吗？"},
    {IDS_TEMP_FILES_DELETED, "删除了 %s 个文件%s，释放了 %sK 磁盘空间。"},
    {IDS_NOT_EXIST_SUFFIX, " (不存在)"},
    {IDS_CANNOT_OPEN_REGISTRY, "无法打开注册表"},
    {IDS_WELCOME_TITLE, "欢迎使用 Wrenlow"},
    {IDS_WINHELP_REGISTRY_TITLE, "WinHelp 注册"},
    {IDS_CANCELLED_LINE, "\r\n*** 已取消 ***"},
    {IDS_TIP_SOURCE, "关于来源字段:"},
    {IDS_TIP_TARGET, "关于目标字段:"},
    {IDS_TIP_COLLECTION, "关于 CHM 文件集合复选框:"},
    {IDS_TIP_BINARY_CONTENTS, "关于二进制目录复选框:"},
    {IDS_TIP_BINARY_INDEX, "关于二进制索引复选框:"},
    {IDS_TIP_BROWSE_SOURCE, "关于来源浏览按钮:"},
    {IDS_TIP_BROWSE_TARGET, "关于目标浏览按钮："},
    {IDS_CONTAINS_NO_FILES, "“%s”不包含任何文件。"},
    {IDS_CREATED, "已创建 %s"},
    {IDS_REGISTERED_SUFFIX, " (已注册)"},
    {IDS_PROJECT_INCOMPLETE, "“%s”不完整：窗口类型、别名或合并文件引用的文本太多，其余的已省略。"},
    {IDS_SITEMAP_FROM_CONTENTS, "已从二进制目录重建“%s”（%s 个条目）"},
    {IDS_SITEMAP_FROM_INDEX, "已从二进制索引重建“%s”（%s 个关键字）"},
    {IDS_ITS_NAME_CLIMBS, "“%s”指向根之外，存为“%s”。"},
    {IDS_ITS_LINK_OUTSIDE, "“%s”是指向文件夹之外的符号链接，已跳过。"},
    {IDS_ITS_NOT_STORED, "“%s”没有完整地存入 ITS 文件。"},
    // The help registry editors.
    {IDS_WINE_SERVER_RUNNING,
     "Wine 服务器正在为前缀“%s”运行，它会用自己的副本覆盖注册表文件：请先关闭这个前缀的 Wine 程序"
     "（wineserver -k），然后再更改注册表。"},
    {IDS_NOT_A_WINE_PREFIX, "“%s”不是一个 Wine 前缀（没有 system.reg 或 dosdevices）。"},
    {IDS_REGISTRY_NAMES_FAILED, "%s\r\n\r\n下列注册表项没有保存:\r\n%s"},
    {IDS_REGISTRY_FILE_UNREADABLE,
     "注册表文件“%s”无法读取：程序不使用其中的设置，也不改动这个文件。"},
    {IDS_FOLDERS_SKIPPED, "有 %s 个文件夹无法打开，已跳过。"},
    {IDS_ITS_FOLDER_SKIPPED, "不能打开文件夹“%s”，其中的文件没有存入 ITS 文件。"},

    // The compiler.
    {IDS_COMPILE_WARNING, "警告"},
    {IDS_COMPILE_ERROR, "错误"},
    {IDS_COMPILE_NO_PROJECT, "不能打开工程文件“%s”。"},
    {IDS_COMPILE_CANNOT_WRITE, "不能写入编译文件“%s”。"},
    {IDS_COMPILE_FILE_MISSING, "找不到文件“%s”,它不会被编译。"},
    {IDS_COMPILE_FILE_UNREADABLE, "不能读取文件“%s”,它不会被编译。"},
    {IDS_COMPILE_UNKNOWN_OPTION, "未知的选项“%s”已被忽略。"},
    {IDS_COMPILE_BAD_ALIAS, "无效的别名“%s”已被忽略。"},
    {IDS_COMPILE_ALIAS_NOT_IN_PROJECT, "别名指向的文件“%s”不在工程中。"},
    {IDS_COMPILE_DUPLICATE_MAP, "主题编号 %s 被多次定义。"},
    {IDS_COMPILE_BAD_WINDOW, "无效的窗口类型定义“%s”已被忽略。"},
    {IDS_COMPILE_SECTION_IGNORED, "“%s”节已被忽略。"},
    {IDS_COMPILE_BAD_DEFINE, "无效的定义“%s”已被忽略。"},
    {IDS_COMPILE_NO_FILES, "工程文件“%s”没有列出任何文件。"},
    {IDS_COMPILE_DONE, "已编译“%s”:"},
    {IDS_COMPILE_COUNTS, "%s 个文件,%s 个主题,%s 字节"},
    {IDS_COMPILE_PROBLEMS, "%s 个错误,%s 个警告"},
    {IDS_COMPILE_UNKNOWN_WINDOW, "默认窗口“%s”没有在 [WINDOWS] 节中定义。"},
    {IDS_COMPILE_FAILED, "编译失败,没有写入“%s”。"},
    {IDS_COMPILE_NESTED_TOO_DEEP, "“%s”中的列表嵌套层数超过上限,更深的条目放在最深的一层。"},
    {IDS_OUTPUT_IS_INPUT, "“%s”是本次运行要读取的文件，不能被输出覆盖。"},
    {IDS_OUTPUT_OUTSIDE_PROJECT,
     "工程选项指定的“%s”在工程文件夹之外，不会写入；要写到那里，请直接指定输出文件（如命令行的 "
     "-o）。"},
    {IDS_LOG_OUTSIDE_PROJECT, "错误日志文件“%s”在工程文件夹之外，不会写入。"},
    {IDS_LOG_IS_INPUT, "错误日志文件“%s”是本次运行要读取或写入的另一个文件，不会写入。"},
    {IDS_READ_OUTSIDE_PROJECT, "“%s”在工程文件夹之外，仍从那里读取。"},
    {IDS_READ_INCOMPLETE, "不能完整读取文件“%s”：读到的字节比文件的大小少。"},
    {IDS_READ_NO_MEMORY, "内存不足，不能读取文件“%s”。"},
    {IDS_LOG_CANNOT_WRITE, "不能写入错误日志文件“%s”。"},
    {IDS_RESULTS_FILE_FILTER, "文本文件 (*.txt);;所有文件 (*)"},

    // Shared library texts.
    {IDS_VERSION, "Wrenlow 1.0.8312.0"},
    {IDS_OUT_OF_MEMORY,
     "没有足够的可用内存用于该项任务。\n停止一些应用程序增加可用内存，然后再试。"},
    {IDS_CANNOT_OPEN, "不能打开“%s”。"},
    {IDS_CANNOT_FIND_FILE,
     "无法找到“%1”文件。检查文件确实在您的磁盘上存在。如果它不存在，您需要重新安装它。"},
    {IDS_HH_BUTTON_CAPTIONS, "主页|后退|前进|打印|关闭|文本"},
    {IDS_BAD_HELP_FILE,
     "该帮助文件没有被正确编写。请联系您的应用程序供应商以获取一个更新的帮助文件。"},
    {IDS_CHM_FILTER_DEFAULT, "已编译的 HTML 帮助文件|*.chm;*.its||"},
    {IDS_PROGRESS_TITLE, "进度栏"},
    {IDS_CANCEL, "取消"},
    {IDS_READER_CONTENTS, "目录"},
    {IDS_READER_INDEX, "索引"},
    {IDS_READER_SEARCH, "搜索"},
    {IDS_READER_FAVORITES, "收藏夹"},
    {IDS_READER_KEYWORD_PROMPT, "键入要查找的关键字(&W):"},
    {IDS_READER_SEARCH_PROMPT, "键入要查找的单词(&W):"},
    {IDS_READER_LIST_TOPICS, "列出主题(&L)"},
    {IDS_READER_TITLES_ONLY, "仅搜索标题(&T)"},
    {IDS_READER_SIMILAR_WORDS, "匹配相似的词(&M)"},
    {IDS_READER_TOPICS_FOUND, "找到的主题: %u"},
    {IDS_READER_NO_SEARCH_INDEX, "此帮助文件没有全文搜索索引。"},
    {IDS_READER_ADD, "添加(&A)"},
    {IDS_READER_REMOVE, "删除(&R)"},
    {IDS_READER_FIND, "查找(&F):"},
    {IDS_READER_CHOOSE_TOPIC, "此关键字有多个主题，请选择一个:"},
    {IDS_READER_SCANNING, "此帮助文件没有全文搜索索引，正在逐页查找..."},
    {IDS_READER_TOPICS_TITLE, "已找到的主题"},
    {IDS_READER_DISPLAY, "显示(&D)"},
    {IDS_READER_TOPIC_COLUMN, "标题"},
    {IDS_READER_PLACE_COLUMN, "位置"},
    {IDS_READER_HIDE_PANE, "隐藏导航窗格"},
    {IDS_READER_SHOW_PANE, "显示导航窗格"},

    // Status-bar prompts of the menu commands ("prompt\ntooltip" where a
    // tooltip is given).
    {ID_HELP_TOPICS, "显示包含 Wrenlow 主题的一个窗口"},
    {ID_WINHELP_REGISTRY, "查看并允许编辑注册表中的 WinHelp 项"},
    {ID_HTMLHELP_REGISTRY, "查看并允许编辑注册表中的 HTML 帮助项"},
    {ID_FILE_EXIT, "退出应用程序；提示保存文档\n退出"},
    {ID_HELP_ABOUT, "显示程序信息、版本号和版权"},
    {ID_FIND_HTMLHELP_FILES, "查找 CHM、ITS 和其他帮助文件"},
    {ID_FIND_WINHELP_FILES, "查找 HLP、GID、FTS 和其他 WinHelp 文件"},
    {ID_VIEW_CHM, "显示在一个 CHM 或 ITS 文件中的文件列表"},
    {ID_FIND_HTMLHELP_COMPONENTS, "查找 HTML 帮助组件"},
    {ID_FIND_WINHELP_COMPONENTS, "查找 WinHelp 组件"},
    {ID_HELP_GETTING_STARTED, "显示有关使用 Wrenlow 的信息"},

    // Framework texts.
    {AFX_IDS_APP_TITLE, "Wrenlow"},
    {AFX_IDS_IDLEMESSAGE, "从工具菜单选择一个工具"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
};

constexpr bool sortedAndUnique() {
  for (std::size_t i = 1; i < std::size(kStrings); ++i) {
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  }
  return true;
}
static_assert(sortedAndUnique(), "string table entries must be sorted by id, without duplicates");

}  // namespace

std::span<const StringEntry> stringTable() { return kStrings; }

const char* findString(unsigned id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const StringEntry& e, unsigned key) { return e.id < key; });
  return it != end && it->id == id ? it->text : nullptr;
}

}  // namespace res

const char* LoadStr(unsigned id) {
  const char* text = res::findString(id);
  return text ? text : "";
}
