#include "platform/htmlhelp/reader_window.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <filesystem>

#include "chmfiles/fulltext_reader.h"
#include "chmfiles/help_code_page.h"
#include "chmfiles/page_scan.h"
#include "chmfiles/system_file.h"
#include "common/settings_store.h"
#include "its/its_storage.h"
#include "platform/browser/help_origins.h"
#include "platform/browser/its_url.h"
#include "platform/htmlhelp/topics_chooser.h"
#include "res/ids.h"
#include "res/strings.h"
#include "res/text_format.h"

namespace htmlhelp {
namespace {

constexpr int kLocalRole = Qt::UserRole;        // a contents entry's page
constexpr int kTopicsRole = Qt::UserRole + 1;   // an index keyword's pages
constexpr int kTitlesRole = Qt::UserRole + 2;   // and their titles
constexpr int kSeeAlsoRole = Qt::UserRole + 3;  // a keyword's reference
constexpr const char kFavoritesKey[] = "Reader\\Favorites";
constexpr const char kPlacesKey[] = "Reader\\Places";
// A remembered place: left, top, width, height and the pane's width.
struct Place {
  std::int32_t left, top, width, height, pane;
};
constexpr int kMinPlaceSize = 100;
// Favourites of one file are stored in one value of at most this many bytes.
constexpr std::size_t kMaxFavoritesBytes = 64 * 1024;
// The page scan shows its progress box only when it takes longer than this.
constexpr int kScanBoxDelayMs = 400;
constexpr double kZoomStep = 1.1, kMinZoom = 0.25, kMaxZoom = 5.0;
// The index is read this long after the first page is shown.
constexpr int kIndexDelayMs = 300;

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

// A page name as the trees and the browser's addresses are compared: folded,
// without its fragment.
std::string pageKey(std::string_view page) {
  const std::size_t cut = page.find('#');
  return foldedLocal(page.substr(0, cut));
}

bool isAddress(const std::string& local) {
  const std::string folded = foldedLocal(local);
  return folded.find("://") != std::string::npos || folded.rfind("ms-its:", 0) == 0 ||
         folded.rfind("its:", 0) == 0 || folded.rfind("mk:", 0) == 0 ||
         folded.rfind("mailto:", 0) == 0;
}

std::string cleanField(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r' || c == '\0') c = ' ';
  return text;
}

// The page a file opens on: its default topic, else its first page.
std::string defaultPage(itss::IStorage* root, const HelpTree& contents) {
  SystemStream system;
  if (system.open(root)) {
    std::uint16_t code = 0, length = 0;
    while (system.next(code, length))
      if (code == kSysDefaultTopic) {
        const std::string topic = recordText(system.readData());
        if (!topic.empty()) return topic;
      }
  }
  for (const HelpTreeEntry& e : contents.entries)
    if (!e.topics.empty()) return e.topics.front().local;
  return std::string();
}

}  // namespace

ReadReference splitReadReference(const std::string& reference) {
  const std::size_t sep = reference.find("::");
  if (sep == std::string::npos) return {reference, std::string()};
  std::string page = reference.substr(sep + 2);
  if (!page.empty() && page.front() != '/') page.insert(page.begin(), '/');
  return {reference.substr(0, sep), page};
}

std::vector<Favorite> loadFavorites(const std::string& helpFile) {
  std::vector<Favorite> out;
  std::string buffer(kMaxFavoritesBytes, '\0');
  if (ReadSetting(kFavoritesKey, helpFile, buffer.data(), buffer.size()) == 0) return out;
  buffer.resize(std::min(buffer.size(), buffer.find('\0')));
  std::size_t at = 0;
  while (at < buffer.size()) {
    std::size_t end = buffer.find('\n', at);
    if (end == std::string::npos) end = buffer.size();
    const std::string line = buffer.substr(at, end - at);
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) out.push_back({line.substr(0, tab), line.substr(tab + 1)});
    at = end + 1;
  }
  return out;
}

bool saveFavorites(const std::string& helpFile, const std::vector<Favorite>& favorites) {
  std::string data;
  for (const Favorite& f : favorites) {
    const std::string line = cleanField(f.title) + "\t" + cleanField(f.page) + "\n";
    if (data.size() + line.size() >= kMaxFavoritesBytes) break;  // keep the first that fit
    data += line;
  }
  data.push_back('\0');
  return WriteSetting(kFavoritesKey, helpFile, data.data(), data.size());
}

ReaderWindow::ReaderWindow(QWidget* parent) : QWidget(parent), host_(std::make_unique<CHHCtrl>()) {
  setObjectName(QStringLiteral("ReaderWindow"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  // The pane hides with the button beside its tabs and comes back with the
  // narrow button left of the page.
  auto* row = new QHBoxLayout();
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  layout->addLayout(row, 1);
  showPane_ = new QToolButton(this);
  showPane_->setObjectName(QStringLiteral("ShowPane"));
  showPane_->setText(QStringLiteral("\u00BB"));
  showPane_->setToolTip(qs(LoadStr(IDS_READER_SHOW_PANE)));
  showPane_->setAutoRaise(true);
  showPane_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  showPane_->hide();
  row->addWidget(showPane_);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  row->addWidget(splitter_, 1);
  tabs_ = new QTabWidget(splitter_);
  tabs_->setObjectName(QStringLiteral("NavigationTabs"));
  auto* hidePane = new QToolButton(tabs_);
  hidePane->setObjectName(QStringLiteral("HidePane"));
  hidePane->setText(QStringLiteral("\u00AB"));
  hidePane->setToolTip(qs(LoadStr(IDS_READER_HIDE_PANE)));
  hidePane->setAutoRaise(true);
  tabs_->setCornerWidget(hidePane, Qt::TopRightCorner);
  connect(hidePane, &QToolButton::clicked, this, [this] { setPaneShown(false); });
  connect(showPane_, &QToolButton::clicked, this, [this] { setPaneShown(true); });
  pagePane_ = new QWidget(splitter_);
  pagePane_->setObjectName(QStringLiteral("PagePane"));
  pagePane_->installEventFilter(this);
  splitter_->setStretchFactor(1, 1);

  auto* findBar = new QWidget(this);
  auto* findLayout = new QHBoxLayout(findBar);
  findLayout->setContentsMargins(4, 0, 4, 2);
  findLayout->addWidget(new QLabel(qs(LoadStr(IDS_READER_FIND)).remove('&'), findBar));
  findEdit_ = new QLineEdit(findBar);
  findEdit_->setObjectName(QStringLiteral("FindEdit"));
  findLayout->addWidget(findEdit_, 1);
  findBar->hide();
  layout->addWidget(findBar);
  connect(findEdit_, &QLineEdit::returnPressed, this, &ReaderWindow::findNext);
  findEdit_->installEventFilter(this);

  buildContentsTab();
  buildIndexTab();
  buildSearchTab();
  buildFavoritesTab();

  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, &ReaderWindow::toggleFind);
  auto* zoomIn = new QShortcut(QKeySequence::ZoomIn, this);
  connect(zoomIn, &QShortcut::activated, this, [this] { zoom(kZoomStep); });
  auto* zoomInPlus = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this);
  connect(zoomInPlus, &QShortcut::activated, this, [this] { zoom(kZoomStep); });
  auto* zoomOut = new QShortcut(QKeySequence::ZoomOut, this);
  connect(zoomOut, &QShortcut::activated, this, [this] { zoom(1 / kZoomStep); });
  auto* zoomReset = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this);
  connect(zoomReset, &QShortcut::activated, this, [this] { zoom(0); });
  connect(host_.get(), &CHHCtrl::documentCompleted, this,
          [this](const QString& url, bool) { pageShown(url); });
}

ReaderWindow::~ReaderWindow() {
  search_.reset();  // before the storage it reads
}

bool ReaderWindow::open(const std::string& helpFile, const std::string& page) {
  // Only a regular file is read; the caller says why when it is not one.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(helpFile, ec) || !host_->SetHelpFile(helpFile))
    return false;
  search_.reset();
  searchStorage_.reset();
  helpFile_ = host_->helpFile();
  std::string start = page;
  {
    ItsStorage storage;
    if (itss::FAILED(storage.open(helpFile_.c_str()))) return false;
    contentsData_ = readContents(storage.root());
    indexData_ = HelpTree();
    indexRead_ = false;
    if (start.empty()) start = defaultPage(storage.root(), contentsData_);
    std::string title;
    SystemStream system;
    if (system.open(storage.root())) {
      std::uint16_t code = 0, length = 0;
      while (system.next(code, length))
        if (code == kSysTitle) title = recordText(system.readData());
    }
    const unsigned codePage = helpFileCodePage(storage.root());
    setWindowTitle(title.empty() ? QFileInfo(qs(helpFile_)).fileName()
                                 : qs(helpTextToUtf8(title, codePage)));
  }
  contents_->clear();
  contentsByPage_.clear();
  fillTree(contents_, nullptr, contentsData_.entries, true);
  index_->clear();
  keywords_.clear();
  sortedKeywords_.clear();
  if (remembersPlace) {
    Place place{};
    if (ReadSetting(kPlacesKey, helpFile_, &place, sizeof place) == sizeof place &&
        place.width >= kMinPlaceSize && place.height >= kMinPlaceSize) {
      setGeometry(place.left, place.top, place.width, place.height);
      if (place.pane > 0) paneWidth_ = place.pane;
    }
  }
  favoriteList_ = loadFavorites(helpFile_);
  showFavorites();

  if (start.empty()) start = "/";
  const std::string home = isAddress(start) ? start : browser::makeItsUrl(helpFile_, start);
  const unsigned buttons =
      HHBTN_MASK_HOME | HHBTN_MASK_BACK | HHBTN_MASK_FORWARD | HHBTN_MASK_PRINT;
  splitter_->setSizes({paneWidth_, std::max(width() - paneWidth_, paneWidth_)});
  if (!host_->Create(pagePane_, QRect(QPoint(0, 0), pagePane_->size()), buttons, HHHome::url(home),
                     false))
    return false;
  showLocal(start);
  return true;
}

void ReaderWindow::ensureIndex() {
  if (indexRead_ || helpFile_.empty()) return;
  indexRead_ = true;
  ItsStorage storage;
  if (itss::FAILED(storage.open(helpFile_.c_str()))) return;
  indexData_ = readIndex(storage.root());
  fillTree(index_, nullptr, indexData_.entries, false);
  for (int i = 0; i < index_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = index_->topLevelItem(i);
    keywords_.emplace_back(item->text(0).toCaseFolded(), item);
  }
  sortedKeywords_.resize(keywords_.size());
  for (std::size_t i = 0; i < keywords_.size(); ++i) sortedKeywords_[i] = i;
  std::stable_sort(
      sortedKeywords_.begin(), sortedKeywords_.end(),
      [this](std::size_t a, std::size_t b) { return keywords_[a].first < keywords_[b].first; });
}

void ReaderWindow::fillTree(QTreeWidget* tree, QTreeWidgetItem* parent,
                            const std::vector<HelpTreeEntry>& level, bool contents) {
  for (const HelpTreeEntry& e : level) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    // An entry without a name would be an empty row: it shows its page.
    item->setText(0, qs(e.name.empty() && !e.topics.empty() ? e.topics.front().local : e.name));
    if (contents) {
      if (!e.topics.empty()) {
        item->setData(0, kLocalRole, qs(e.topics.front().local));
        contentsByPage_.emplace(pageKey(e.topics.front().local), item);
      }
    } else {
      QStringList locals, titles;
      for (const TreeTopic& t : e.topics) {
        locals << qs(t.local);
        titles << qs(t.title.empty() ? t.local : t.title);
      }
      item->setData(0, kTopicsRole, locals);
      item->setData(0, kTitlesRole, titles);
      if (!e.seeAlso.empty()) item->setData(0, kSeeAlsoRole, qs(e.seeAlso));
    }
    fillTree(tree, item, e.children, contents);
  }
}

void ReaderWindow::buildContentsTab() {
  contents_ = new QTreeWidget(tabs_);
  contents_->setObjectName(QStringLiteral("ContentsTree"));
  contents_->setHeaderHidden(true);
  contents_->setUniformRowHeights(true);
  tabs_->addTab(contents_, qs(LoadStr(IDS_READER_CONTENTS)));
  auto open = [this](QTreeWidgetItem* item) {
    const QString local = item->data(0, kLocalRole).toString();
    if (!local.isEmpty()) showLocal(local.toStdString());
  };
  connect(contents_, &QTreeWidget::itemClicked, this, open);
  connect(contents_, &QTreeWidget::itemActivated, this, open);
}

void ReaderWindow::buildIndexTab() {
  auto* page = new QWidget(tabs_);
  auto* layout = new QVBoxLayout(page);
  auto* prompt = new QLabel(qs(LoadStr(IDS_READER_KEYWORD_PROMPT)), page);
  indexEdit_ = new QLineEdit(page);
  indexEdit_->setObjectName(QStringLiteral("IndexEdit"));
  prompt->setBuddy(indexEdit_);
  index_ = new QTreeWidget(page);
  index_->setObjectName(QStringLiteral("IndexTree"));
  index_->setHeaderHidden(true);
  index_->setUniformRowHeights(true);  // scrolling then needs no layout of every row
  layout->addWidget(prompt);
  layout->addWidget(indexEdit_);
  layout->addWidget(index_, 1);
  tabs_->addTab(page, qs(LoadStr(IDS_READER_INDEX)));
  connect(tabs_, &QTabWidget::currentChanged, this, [this, page](int) {
    if (tabs_->currentWidget() == page) ensureIndex();
  });
  connect(indexEdit_, &QLineEdit::textEdited, this, &ReaderWindow::indexTyped);
  connect(indexEdit_, &QLineEdit::returnPressed, this,
          [this] { indexActivated(index_->currentItem()); });
  connect(index_, &QTreeWidget::itemActivated, this, &ReaderWindow::indexActivated);
  indexEdit_->installEventFilter(this);
}

void ReaderWindow::buildSearchTab() {
  auto* page = new QWidget(tabs_);
  auto* layout = new QVBoxLayout(page);
  auto* prompt = new QLabel(qs(LoadStr(IDS_READER_SEARCH_PROMPT)), page);
  searchEdit_ = new QLineEdit(page);
  searchEdit_->setObjectName(QStringLiteral("SearchEdit"));
  prompt->setBuddy(searchEdit_);
  auto* list = new QPushButton(qs(LoadStr(IDS_READER_LIST_TOPICS)), page);
  list->setObjectName(QStringLiteral("SearchButton"));
  titlesOnly_ = new QCheckBox(qs(LoadStr(IDS_READER_TITLES_ONLY)), page);
  titlesOnly_->setObjectName(QStringLiteral("TitlesOnly"));
  similarWords_ = new QCheckBox(qs(LoadStr(IDS_READER_SIMILAR_WORDS)), page);
  similarWords_->setObjectName(QStringLiteral("SimilarWords"));
  searchStatus_ = new QLabel(page);
  searchStatus_->setObjectName(QStringLiteral("SearchStatus"));
  searchResults_ = new QListWidget(page);
  searchResults_->setObjectName(QStringLiteral("SearchResults"));
  layout->addWidget(prompt);
  layout->addWidget(searchEdit_);
  layout->addWidget(list);
  layout->addWidget(searchStatus_);
  layout->addWidget(searchResults_, 1);
  layout->addWidget(titlesOnly_);
  layout->addWidget(similarWords_);
  tabs_->addTab(page, qs(LoadStr(IDS_READER_SEARCH)));
  connect(searchEdit_, &QLineEdit::returnPressed, this, &ReaderWindow::runSearch);
  connect(list, &QPushButton::clicked, this, &ReaderWindow::runSearch);
  connect(searchResults_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    showLocal(item->data(kLocalRole).toString().toStdString());
  });
}

void ReaderWindow::buildFavoritesTab() {
  auto* page = new QWidget(tabs_);
  auto* layout = new QVBoxLayout(page);
  favorites_ = new QListWidget(page);
  favorites_->setObjectName(QStringLiteral("FavoritesList"));
  auto* buttons = new QHBoxLayout();
  auto* add = new QPushButton(qs(LoadStr(IDS_READER_ADD)), page);
  add->setObjectName(QStringLiteral("AddFavorite"));
  auto* remove = new QPushButton(qs(LoadStr(IDS_READER_REMOVE)), page);
  remove->setObjectName(QStringLiteral("RemoveFavorite"));
  buttons->addWidget(add);
  buttons->addWidget(remove);
  layout->addWidget(favorites_, 1);
  layout->addLayout(buttons);
  tabs_->addTab(page, qs(LoadStr(IDS_READER_FAVORITES)));
  connect(add, &QPushButton::clicked, this, &ReaderWindow::addFavorite);
  connect(remove, &QPushButton::clicked, this, &ReaderWindow::removeFavorite);
  connect(favorites_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    showLocal(item->data(kLocalRole).toString().toStdString());
  });
}

void ReaderWindow::showTabs(bool search, bool favorites) {
  for (QWidget* tab : {search ? nullptr : searchResults_->parentWidget(),
                       favorites ? nullptr : favorites_->parentWidget()})
    if (tab) tabs_->removeTab(tabs_->indexOf(tab));
}

void ReaderWindow::setPaneShown(bool shown) {
  if (!shown && tabs_->isVisible()) paneWidth_ = splitter_->sizes().value(0, paneWidth_);
  tabs_->setVisible(shown);
  showPane_->setVisible(!shown);
  if (shown) setPaneWidth(paneWidth_);
}

bool ReaderWindow::paneShown() const { return !tabs_->isHidden(); }

void ReaderWindow::setPaneWidth(int width) {
  paneWidth_ = width;
  const int total = splitter_->width();
  splitter_->setSizes({width, std::max(total - width, 1)});
}

void ReaderWindow::showLocal(const std::string& local) {
  if (local.empty()) return;
  // A page of another help file: "ms-its:other.chm::/x.htm" and its other
  // spellings, or "other.chm::/x.htm" as the entries of merged files name
  // it. A relative file name is looked for beside this file.
  const bool otherFile = !isAddress(local) && local.find("::") != std::string::npos;
  if (const auto address = browser::parseItsUrl(otherFile ? "ms-its:" + local : local)) {
    std::string file = address->helpFile;
    std::replace(file.begin(), file.end(), '\\', '/');
    file = browser::resolveLinkedHelpFile(file, helpFile_);
    if (file.empty()) return;
    const std::size_t hash = local.find('#', local.find("::"));
    host_->Navigate(browser::makeItsUrl(file, address->internalPath) +
                    (hash == std::string::npos ? std::string() : local.substr(hash)));
    return;
  }
  if (isAddress(local)) {
    host_->Navigate(local);
    return;
  }
  std::string path = local;
  std::replace(path.begin(), path.end(), '\\', '/');
  host_->NavigateInternal(path);
}

std::string ReaderWindow::currentPage() const {
  const QUrl url(qs(host_->CurrentLocation()));
  const std::string text =
      QUrl::fromPercentEncoding(url.toString(QUrl::RemoveFragment | QUrl::RemoveQuery).toUtf8())
          .toStdString();
  const auto address = browser::parseItsUrl(text);
  return address ? address->internalPath : std::string();
}

void ReaderWindow::pageShown(const QString&) {
  // The index waits until the first page is up, so that a large one does
  // not hold the page back.
  if (!indexRead_) QTimer::singleShot(kIndexDelayMs, this, [this] { ensureIndex(); });
  const std::string page = currentPage();
  if (page.empty()) return;
  const auto it = contentsByPage_.find(pageKey(page));
  if (it == contentsByPage_.end() || contents_->currentItem() == it->second) return;
  // Selecting does not navigate: only clicks and Enter do.
  for (QTreeWidgetItem* p = it->second->parent(); p; p = p->parent()) p->setExpanded(true);
  contents_->setCurrentItem(it->second);
  contents_->scrollToItem(it->second);
}

void ReaderWindow::indexTyped(const QString& text) {
  ensureIndex();
  if (keywords_.empty() || text.isEmpty()) return;
  const QString key = text.toCaseFolded();
  // The first keyword (in the index's order) that begins with the text,
  // else the first of those that share the longest beginning with it. The
  // keywords that begin alike are neighbours in the folded order, so each
  // key looks at a few of them, not at the whole index.
  const auto byName = [this](std::size_t a, const QString& b) { return keywords_[a].first < b; };
  const auto firstBeginning = [&](const QString& prefix) -> QTreeWidgetItem* {
    auto at = std::lower_bound(sortedKeywords_.begin(), sortedKeywords_.end(), prefix, byName);
    std::size_t first = keywords_.size();
    for (; at != sortedKeywords_.end() && keywords_[*at].first.startsWith(prefix); ++at)
      first = std::min(first, *at);
    return first < keywords_.size() ? keywords_[first].second : nullptr;
  };
  QTreeWidgetItem* best = firstBeginning(key);
  if (!best) {
    const auto at = std::lower_bound(sortedKeywords_.begin(), sortedKeywords_.end(), key, byName);
    const auto shared = [&](const QString& name) {
      qsizetype n = 0;
      while (n < std::min(name.size(), key.size()) && name[n] == key[n]) ++n;
      return n;
    };
    qsizetype length = 0;
    if (at != sortedKeywords_.end()) length = shared(keywords_[*at].first);
    if (at != sortedKeywords_.begin())
      length = std::max(length, shared(keywords_[*(at - 1)].first));
    if (length > 0) best = firstBeginning(key.left(length));
  }
  if (!best) {
    // Nothing shares even the first letter: the first that sorts after the
    // text, else the last.
    best = keywords_.back().second;
    for (const auto& [name, item] : keywords_)
      if (QString::compare(name, key) > 0) {
        best = item;
        break;
      }
  }
  index_->setCurrentItem(best);
  index_->scrollToItem(best, QAbstractItemView::PositionAtTop);
}

void ReaderWindow::indexActivated(QTreeWidgetItem* item) {
  if (!item) return;
  const QStringList locals = item->data(0, kTopicsRole).toStringList();
  const QStringList titles = item->data(0, kTitlesRole).toStringList();
  if (locals.isEmpty()) {
    const QString seeAlso = item->data(0, kSeeAlsoRole).toString();
    if (!seeAlso.isEmpty()) {
      indexEdit_->setText(seeAlso);
      indexTyped(seeAlso);
    }
    return;
  }
  if (locals.size() == 1) {
    showLocal(locals.front().toStdString());
    return;
  }
  std::vector<TopicChoice> topics;
  for (qsizetype i = 0; i < locals.size(); ++i)
    topics.push_back({titles.value(i, locals[i]), locals[i]});
  TopicsChooser chooser(item->text(0), topics, this);
  if (chooser.exec() == QDialog::Accepted) showLocal(chooser.chosenLocal().toStdString());
}

void ReaderWindow::runSearch() {
  searchResults_->clear();
  std::vector<std::string> words;
  for (const QString& w : searchEdit_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
    words.push_back(w.toStdString());
  if (words.empty()) return;
  SearchOptions options;
  options.prefix = similarWords_->isChecked();
  options.titlesOnly = titlesOnly_->isChecked();
  // The index is read on the first search and kept for the next ones.
  if (!search_) {
    searchStorage_ = std::make_unique<ItsStorage>();
    if (itss::FAILED(searchStorage_->open(helpFile_.c_str()))) {
      searchStorage_.reset();
      searchStatus_->setText(qs(LoadStr(IDS_READER_NO_SEARCH_INDEX)));
      return;
    }
    search_ = std::make_unique<HelpFileSearch>(searchStorage_->root());
  }
  std::vector<SearchHit> hits;
  SearchStatus status = search_->search(words, options, hits);
  if (status == SearchStatus::kNoIndex) {
    // No index of its own: read the pages, with a progress box that cancels.
    QProgressDialog box(qs(LoadStr(IDS_READER_SCANNING)), qs(LoadStr(IDS_CANCEL)), 0, 100, this);
    box.setObjectName(QStringLiteral("ScanProgress"));
    box.setWindowModality(Qt::WindowModal);
    box.setMinimumDuration(kScanBoxDelayMs);
    status = scanHelpPages(searchStorage_->root(), words, options, hits,
                           [&box](std::size_t done, std::size_t total) {
                             box.setMaximum(static_cast<int>(total));
                             box.setValue(static_cast<int>(done));
                             return !box.wasCanceled();
                           });
  }
  if (status != SearchStatus::kOk) {
    searchStatus_->setText(qs(LoadStr(IDS_READER_NO_SEARCH_INDEX)));
    return;
  }
  for (const SearchHit& h : hits) {
    auto* item = new QListWidgetItem(qs(h.title.empty() ? h.local : h.title), searchResults_);
    item->setData(kLocalRole, qs(h.local));
    item->setToolTip(qs(h.local));
  }
  searchStatus_->setText(
      qs(fillFormat(LoadStr(IDS_READER_TOPICS_FOUND), {std::to_string(hits.size())})));
  if (!hits.empty()) searchResults_->setCurrentRow(0);
}

void ReaderWindow::showFavorites() {
  favorites_->clear();
  for (const Favorite& f : favoriteList_) {
    auto* item = new QListWidgetItem(qs(f.title.empty() ? f.page : f.title), favorites_);
    item->setData(kLocalRole, qs(f.page));
  }
}

void ReaderWindow::addFavorite() {
  const std::string page = currentPage();
  if (page.empty()) return;
  std::string title = host_->browser() ? host_->browser()->title().toStdString() : std::string();
  if (title.empty()) title = page;
  const Favorite f{title, page};
  if (std::find(favoriteList_.begin(), favoriteList_.end(), f) != favoriteList_.end()) return;
  favoriteList_.push_back(f);
  saveFavorites(helpFile_, favoriteList_);
  showFavorites();
}

void ReaderWindow::removeFavorite() {
  const int row = favorites_->currentRow();
  if (row < 0 || row >= static_cast<int>(favoriteList_.size())) return;
  favoriteList_.erase(favoriteList_.begin() + row);
  saveFavorites(helpFile_, favoriteList_);
  showFavorites();
}

void ReaderWindow::toggleFind() {
  QWidget* bar = findEdit_->parentWidget();
  bar->show();
  findEdit_->setFocus();
  findEdit_->selectAll();
}

void ReaderWindow::findNext() {
  if (host_->browser()) host_->browser()->findText(findEdit_->text());
}

void ReaderWindow::zoom(double factor) {
  QWebEngineView* view = host_->browser();
  if (!view) return;
  const double z = factor == 0 ? 1.0 : std::clamp(view->zoomFactor() * factor, kMinZoom, kMaxZoom);
  view->setZoomFactor(z);
}

void ReaderWindow::closeEvent(QCloseEvent* event) {
  if (remembersPlace && !helpFile_.empty()) {
    const QRect r = geometry();
    const QList<int> sizes = splitter_->sizes();
    const int pane = tabs_->isHidden() ? paneWidth_ : sizes.value(0);
    const Place place{r.left(), r.top(), r.width(), r.height(), pane};
    WriteSetting(kPlacesKey, helpFile_, &place, sizeof place);
  }
  QWidget::closeEvent(event);
}

bool ReaderWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pagePane_ && event->type() == QEvent::Resize && host_->hasWindow())
    host_->Move(QRect(QPoint(0, 0), pagePane_->size()));
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == findEdit_ && key->key() == Qt::Key_Escape) {
      findEdit_->parentWidget()->hide();
      if (host_->browser()) host_->browser()->findText(QString());
      return true;
    }
    // Up and Down in the keyword box move through the keywords.
    if (watched == indexEdit_ && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      QTreeWidgetItem* current = index_->currentItem();
      QTreeWidgetItem* next = !current                   ? index_->topLevelItem(0)
                              : key->key() == Qt::Key_Up ? index_->itemAbove(current)
                                                         : index_->itemBelow(current);
      if (next) index_->setCurrentItem(next);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace htmlhelp
