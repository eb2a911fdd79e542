#pragma once
// ReaderWindow: a help file opened to read. A navigation pane with four tabs
// (contents, index, full-text search, favourites) beside a help-page host
// with Home/Back/Forward/Print. The contents follows the page shown; the
// index selects the nearest keyword as one types; favourites are kept in
// the settings per help file. Zoom (Ctrl++, Ctrl+-, Ctrl+0) and find in page
// (Ctrl+F).
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chmfiles/help_trees.h"
#include "platform/browser/hh_ctrl.h"

class HelpFileSearch;
class ItsStorage;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QSplitter;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace htmlhelp {

// "FILE.chm::/page.htm" → the file and the page ("/page.htm"); a reference
// without "::" is the file alone.
struct ReadReference {
  std::string helpFile;
  std::string page;
};
ReadReference splitReadReference(const std::string& reference);

// Favourites of a help file: "title", "page" pairs, stored in the settings
// under the file's path.
struct Favorite {
  std::string title, page;
  bool operator==(const Favorite&) const = default;
};
std::vector<Favorite> loadFavorites(const std::string& helpFile);
bool saveFavorites(const std::string& helpFile, const std::vector<Favorite>& favorites);

class ReaderWindow : public QWidget {
  Q_OBJECT

 public:
  // Pane widths when the window type gives none.
  static constexpr int kPaneWidth = 260;

  explicit ReaderWindow(QWidget* parent = nullptr);
  ~ReaderWindow() override;

  // Reads the file's trees and shows page (an internal path; empty: the
  // file's default topic). False when the file cannot be opened.
  bool open(const std::string& helpFile, const std::string& page);

  // Keeps the search and favourites tabs only when asked (a window type
  // names the tabs it wants; a file opened to read has all four).
  void showTabs(bool search, bool favorites);
  void setPaneWidth(int width);
  // Hides the navigation pane, the page taking its room, or shows it again
  // at the width it had.
  void setPaneShown(bool shown);
  bool paneShown() const;

  // When set before open(), the window takes the place and pane width it
  // had when it last closed on this file, and keeps them when it closes.
  bool remembersPlace = false;

  // Shows a page named as a contents or index entry names it.
  void showLocal(const std::string& local);

  CHHCtrl& host() { return *host_; }
  QTabWidget* tabs() const { return tabs_; }
  QTreeWidget* contentsTree() const { return contents_; }
  // The index is read when it is first asked for: its tab shown, a key
  // typed, or a moment after the first page is shown.
  QTreeWidget* indexTree() {
    ensureIndex();
    return index_;
  }
  const HelpTree& contents() const { return contentsData_; }
  const HelpTree& index() {
    ensureIndex();
    return indexData_;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ensureIndex();
  void buildContentsTab();
  void buildIndexTab();
  void buildSearchTab();
  void buildFavoritesTab();
  void fillTree(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<HelpTreeEntry>& level,
                bool contents);
  void pageShown(const QString& url);
  void indexTyped(const QString& text);
  void indexActivated(QTreeWidgetItem* item);
  void runSearch();
  void addFavorite();
  void removeFavorite();
  void showFavorites();
  void toggleFind();
  void findNext();
  void zoom(double factor);
  std::string currentPage() const;

  std::string helpFile_;
  int paneWidth_ = kPaneWidth;
  HelpTree contentsData_, indexData_;
  bool indexRead_ = true;
  std::unique_ptr<CHHCtrl> host_;
  QSplitter* splitter_ = nullptr;
  QWidget* pagePane_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QToolButton* showPane_ = nullptr;
  QTreeWidget* contents_ = nullptr;
  QTreeWidget* index_ = nullptr;
  QLineEdit* indexEdit_ = nullptr;
  QLineEdit* searchEdit_ = nullptr;
  QCheckBox* titlesOnly_ = nullptr;
  QCheckBox* similarWords_ = nullptr;
  QLabel* searchStatus_ = nullptr;
  QListWidget* searchResults_ = nullptr;
  QListWidget* favorites_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  // Contents entries by their page, folded, for following the page shown.
  std::map<std::string, QTreeWidgetItem*> contentsByPage_;
  // Top-level keywords in the order shown, folded, for the type-ahead.
  std::vector<std::pair<QString, QTreeWidgetItem*>> keywords_;
  // Positions in keywords_ in the order of their folded texts.
  std::vector<std::size_t> sortedKeywords_;
  std::vector<Favorite> favoriteList_;
  std::unique_ptr<ItsStorage> searchStorage_;
  std::unique_ptr<HelpFileSearch> search_;
};

}  // namespace htmlhelp
