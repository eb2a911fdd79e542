#pragma once
// The report pages of the viewer: one builder per kind of tree item. Each
// writes its page into the temporary folder, records the path in the temp
// page list as soon as the file exists, and says what the viewer should show
// next. Builders never touch a window; the viewer (or wrenlow-cli report)
// acts on the result.
//
// Texts taken from the help file are converted from its code page to UTF-8
// and every page starts with a UTF-8 byte-order mark, which browsers take as
// the page's encoding. Every text from the file is escaped before it becomes
// HTML (the help file is a download from anywhere), and every HTML page
// then declares a Content-Security-Policy that loads nothing and runs no
// script but the builder's own, marked with a nonce made for that page.
// Pages are created anew, never through a symbolic link, readable by their
// owner only.
#include <string>
#include <string_view>
#include <vector>

#include "chmfiles/windows_file.h"
#include "platform/itss/storage.h"

class TextFile;
class TopicLookup;

// What the viewer does once a builder returns.
enum class PageOutcome {
  kShow,        // navigate to path and make it the home page
  kShowNoHome,  // navigate to path only (the text view)
  kBinaryFile,  // the source or the page could not be had: the binary-file page
  kNothing,     // the page was left unfinished; the browser keeps its page
};

struct PageResult {
  PageOutcome outcome = PageOutcome::kNothing;
  std::string path;  // the page file, when one was created
};

// The fixed page file names.
inline constexpr const char* kGeneralInfoPage = "~GeneralInfo.htm";
inline constexpr const char* kSystemPage = "~system.htm";
inline constexpr const char* kWindowsPage = "~windows.htm";
inline constexpr const char* kTopicsPage = "~topics.htm";
inline constexpr const char* kUrlStrPage = "~urlstr.htm";
inline constexpr const char* kStringsPage = "~strings.htm";
inline constexpr const char* kIvbPage = "~ivb.htm";
inline constexpr const char* kIdxHdrPage = "~idxhdr.htm";

// The Content-Security-Policy of a report page: nothing is loaded from
// anywhere; script runs only when it carries nonce (none when it is empty);
// styles only from the page itself.
std::string reportPagePolicy(std::string_view nonce);

// A fresh nonce for one page: 128 random bits as 32 hexadecimal digits.
std::string newScriptNonce();

// The page file name of an internal file: "\" and "/" turned into "_", then
// suffix ("html\style.css" with ".htm" gives "html_style.css.htm").
std::string internalPageName(std::string_view internalPath, std::string_view suffix);

// A line of the text view cut at blanks into pieces of at most 80 bytes
// where that is possible: the break goes at the last blank within the first
// 80 bytes, the blanks before it are dropped with it and the blanks and tabs
// after it too. A line with no blank to break at (or only leading blanks) is
// written whole.
std::vector<std::string_view> wrapLine(std::string_view line);
constexpr std::size_t kWrapWidth = 80;

class ReportPages {
 public:
  // root: the open help file's root storage (not owned); helpPath: its path
  // as the "its:" URLs name it; folder: where pages go ("" = the program's
  // private temporary folder).
  ReportPages(itss::IStorage* root, std::string helpPath, std::string folder = {});
  ~ReportPages();
  ReportPages(const ReportPages&) = delete;
  ReportPages& operator=(const ReportPages&) = delete;

  // The code page the file's texts are read in (chosen at construction).
  unsigned codePage() const { return codePage_; }
  // Every page file created so far, in order (a path may repeat).
  const std::vector<std::string>& tempPages() const { return tempPages_; }
  // Deletes every file of the temp page list and empties it.
  void deleteTempPages();
  // A page of a different help file: forget the old root, keep the list.
  void reset(itss::IStorage* root, std::string helpPath);

  PageResult strings();
  PageResult urlStr();
  PageResult ivb();
  PageResult idxHeader();
  PageResult system();
  PageResult windows();
  PageResult topics();
  PageResult generalInfo();
  // ".h", ".hhp", ".css", ".js" files, by internal path ("\" or "/").
  PageResult textFile(const std::string& internalPath);
  // The text view of an HTML file, by the path part of the browser's URL.
  PageResult textView(const std::string& path);
  // A sitemap (".hhc") as a tree of folders and links into the help file.
  PageResult contents(const std::string& internalPath);

 private:
  std::string text(const std::string& bytes) const;
  // text(), escaped for HTML text and attribute values.
  std::string html(const std::string& bytes) const;
  // Creates folder + name anew for writing (an old page of that name is
  // removed first), records it and writes the byte-order mark, and for an
  // HTML page the policy (scripts allowed by nonce only). False when the
  // file cannot be created.
  enum class PageType { kHtml, kText };
  bool create(TextFile& file, const std::string& name, PageResult& result,
              PageType type = PageType::kHtml, std::string_view nonce = {});
  void windowBlock(const WindowTypeEntry& entry, TopicLookup& lookup, std::string& out) const;
  // Writes closing (when given) and closes: kShow, or kBinaryFile when a
  // write failed.
  static PageResult finish(TextFile& file, PageResult result, const char* closing);
  static PageResult binaryFile(PageResult result = {});
  PageResult listing(const char* stream, const char* heading, bool urlStr);

  itss::IStorage* root_;
  std::string helpPath_;
  std::string folder_;
  unsigned codePage_;
  std::vector<std::string> tempPages_;
};
