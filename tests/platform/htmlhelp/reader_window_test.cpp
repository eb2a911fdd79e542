// The reading window on corpus files, driven by keys and clicks: the
// contents tab holds the file's contents and follows the page shown, the
// index selects the nearest keyword while one types, search lists the pages
// that hold the words, and favourites outlive the window.
#include "platform/htmlhelp/reader_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "chmfiles/fulltext_reader.h"
#include "common/settings_store.h"
#include "its/its_storage.h"
#include "platform/browser/help_file_source.h"
#include "platform/browser/its_scheme_handler.h"
#include "platform/system/codepage.h"
#include "tests/compile/compiled_project.h"
#include "tests/decompile/crafted_file.h"
#include "tests/platform/browser/browser_page_wait.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = WRENLOW_CORPUS_DIR;

class ReaderWindowTest : public ::testing::Test {
 protected:
  // One settings folder for the whole run: the registry keeps its hives
  // loaded for the life of the process.
  static void SetUpTestSuite() {
    static crafted::TempDir config;
    ::setenv("WRENLOW_CONFIG_DIR", config.path().c_str(), 1);
    SetRegistryName("Wrenlow");
  }
  void TearDown() override {
    CloseSettingsKey();
    browser::HelpFileSource::instance().closeAll();
  }
  // A window on a corpus file, shown and with its first page loaded.
  std::unique_ptr<htmlhelp::ReaderWindow> open(const std::string& name,
                                               const std::string& page = "") {
    const fs::path file = kCorpus / name;
    if (!fs::exists(file)) return nullptr;
    auto window = std::make_unique<htmlhelp::ReaderWindow>();
    window->resize(1000, 700);
    window->show();
    bool opened = false;
    EXPECT_TRUE(pagewait::loads(window->host(), [&] { opened = window->open(file, page); }));
    EXPECT_TRUE(opened);
    return window;
  }
  std::string shownPage(htmlhelp::ReaderWindow& w) {
    const std::string url = w.host().CurrentLocation();
    const std::size_t sep = url.find("::");
    return sep == std::string::npos ? std::string() : foldedLocal(url.substr(sep + 2));
  }
};

// Types text as a keyboard or an input method would, one character a key
// (QTest's key clicks take Latin-1 letters only).
void type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

std::size_t countItems(QTreeWidgetItem* item) {
  std::size_t n = 1;
  for (int i = 0; i < item->childCount(); ++i) n += countItems(item->child(i));
  return n;
}

std::size_t countEntries(const std::vector<HelpTreeEntry>& level) {
  std::size_t n = 0;
  for (const HelpTreeEntry& e : level) n += 1 + countEntries(e.children);
  return n;
}

TEST_F(ReaderWindowTest, ContentsHoldTheSitemapAndFollowThePage) {
  auto w = open("halibut_putty.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  QTreeWidget* tree = w->contentsTree();
  ItsStorage storage;
  ASSERT_TRUE(itss::SUCCEEDED(storage.open((kCorpus / "halibut_putty.chm").c_str())));
  const HelpTree sitemap = readContents(storage.root(), TreeSourceChoice::kSitemapOnly);
  ASSERT_EQ(static_cast<std::size_t>(tree->topLevelItemCount()), sitemap.entries.size());
  std::size_t items = 0;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    items += countItems(tree->topLevelItem(i));
    EXPECT_EQ(tree->topLevelItem(i)->text(0).toStdString(), sitemap.entries[i].name);
  }
  EXPECT_EQ(items, countEntries(sitemap.entries));

  // Clicking an entry shows its page.
  QTreeWidgetItem* intro = tree->topLevelItem(1);
  ASSERT_EQ(intro->text(0), QStringLiteral("Introduction to PuTTY"));
  const QRect at = tree->visualItemRect(intro);
  ASSERT_TRUE(pagewait::loads(
      w->host(), [&] { QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at.center()); }));
  EXPECT_EQ(shownPage(*w), "intro.html");

  // A page shown another way selects its entry, its book opened.
  ASSERT_TRUE(pagewait::loads(w->host(), [&] { w->showLocal("using-eventlog.html"); }));
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("The PuTTY Event Log"));
  EXPECT_TRUE(tree->currentItem()->parent()->isExpanded());
}

TEST_F(ReaderWindowTest, IndexSelectsTheNearestKeywordAsOneTypes) {
  auto w = open("7zcn_7-zip.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  w->tabs()->setCurrentIndex(1);
  auto* edit = w->findChild<QLineEdit*>(QStringLiteral("IndexEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("-S"));
  ASSERT_NE(w->indexTree()->currentItem(), nullptr);
  EXPECT_TRUE(w->indexTree()->currentItem()->text(0).startsWith(QStringLiteral("-s")));
  QTest::keyClicks(edit, QStringLiteral("o"));
  EXPECT_EQ(w->indexTree()->currentItem()->text(0), QStringLiteral("-so (从 stdout 写入数据)"));
  ASSERT_TRUE(pagewait::loads(w->host(), [&] { QTest::keyClick(edit, Qt::Key_Return); }));
  EXPECT_EQ(shownPage(*w), "cmdline/switches/stdout.htm");
  // A Chinese keyword; nothing begins with "zz": the last keyword.
  edit->clear();
  type(edit, QStringLiteral("菜单"));
  EXPECT_EQ(w->indexTree()->currentItem()->text(0), QStringLiteral("菜单项目及快捷键"));
  edit->clear();
  type(edit, QStringLiteral("\uFFEE"));
  EXPECT_EQ(w->indexTree()->currentItem(),
            w->indexTree()->topLevelItem(w->indexTree()->topLevelItemCount() - 1));
  // Nothing begins with "-sox": the keyword sharing the longest beginning,
  // though "-ssc" follows it in the order of texts.
  edit->clear();
  QTest::keyClicks(edit, QStringLiteral("-sox"));
  EXPECT_EQ(w->indexTree()->currentItem()->text(0), QStringLiteral("-so (从 stdout 写入数据)"));
}

// A tree in the form a sitemap and a binary table share: siblings of one
// name merged, pages folded (the binary index is sorted and holds a keyword
// once).
struct Shape {
  std::set<std::string> pages;
  std::map<std::string, Shape> children;
  bool operator==(const Shape&) const = default;
};

void addShown(QTreeWidgetItem* item, std::map<std::string, Shape>& out, bool contents) {
  Shape& s = out[item->text(0).toStdString()];
  const QStringList pages = contents ? QStringList{item->data(0, Qt::UserRole).toString()}
                                     : item->data(0, Qt::UserRole + 1).toStringList();
  for (const QString& p : pages)
    if (!p.isEmpty()) s.pages.insert(foldedLocal(p.toStdString()));
  for (int i = 0; i < item->childCount(); ++i) addShown(item->child(i), s.children, contents);
}

void addRead(const std::vector<HelpTreeEntry>& level, std::map<std::string, Shape>& out,
             bool contents) {
  for (const HelpTreeEntry& e : level) {
    Shape& s = out[e.name];
    for (const TreeTopic& t : e.topics) {
      s.pages.insert(foldedLocal(t.local));
      if (contents) break;  // a contents entry shows its first page
    }
    addRead(e.children, s.children, contents);
  }
}

// The contents and index tabs of a Chinese (GBK) and a Western file hold
// what the files' sitemap files hold, texts decoded in the file's code page.
TEST_F(ReaderWindowTest, TreesHoldTheSitemapFiles) {
  struct Case {
    const char* file;
    const char* title;
  };
  for (const Case c : {Case{"7zcn_7-zip.chm", "7-Zip 帮助"}, Case{"inno_ISetup.chm", nullptr},
                       Case{"halibut_putty.chm", "PuTTY User Manual"}}) {
    SCOPED_TRACE(c.file);
    auto w = open(c.file);
    if (!w) GTEST_SKIP() << "no corpus";
    if (c.title) {
      EXPECT_EQ(w->windowTitle().toStdString(), c.title);
    }
    ItsStorage storage;
    ASSERT_TRUE(itss::SUCCEEDED(storage.open((kCorpus / c.file).c_str())));
    int compared = 0;
    for (const bool contents : {true, false}) {
      const HelpTree sitemap =
          (contents ? readContents : readIndex)(storage.root(), TreeSourceChoice::kSitemapOnly);
      QTreeWidget* tree = contents ? w->contentsTree() : w->indexTree();
      if (sitemap.entries.empty()) {
        EXPECT_EQ(tree->topLevelItemCount() > 0,
                  !(contents ? w->contents() : w->index()).entries.empty());
        continue;
      }
      std::map<std::string, Shape> shown, read;
      for (int i = 0; i < tree->topLevelItemCount(); ++i)
        addShown(tree->topLevelItem(i), shown, contents);
      addRead(sitemap.entries, read, contents);
      EXPECT_TRUE(shown == read) << (contents ? "contents" : "index") << ": " << shown.size()
                                 << " shown, " << read.size() << " in the sitemap";
      ++compared;
    }
    EXPECT_GT(compared, 0);
  }
}

// A keyword with several topics opens the topics chooser; Down and Enter
// show the second topic, Esc shows nothing.
TEST_F(ReaderWindowTest, SeveralTopicsOpenTheChooser) {
  auto w = open("halibut_putty.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  w->tabs()->setCurrentIndex(1);
  auto* edit = w->findChild<QLineEdit*>(QStringLiteral("IndexEdit"));
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("account name"));
  ASSERT_EQ(w->indexTree()->currentItem()->text(0), QStringLiteral("account name"));

  // Presses keys in the chooser once it is up, and notes what it showed.
  QStringList titles, places;
  auto inChooser = [&](std::vector<int> keys) {
    QTimer::singleShot(0, [&, keys] {
      auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(chooser, nullptr);
      EXPECT_EQ(chooser->objectName(), QStringLiteral("TopicsChooser"));
      auto* list = chooser->findChild<QTreeWidget*>(QStringLiteral("TopicsList"));
      titles.clear();
      places.clear();
      for (int i = 0; i < list->topLevelItemCount(); ++i) {
        titles << list->topLevelItem(i)->text(0);
        places << list->topLevelItem(i)->text(1);
      }
      // The list has the focus when the chooser opens.
      QWidget* focus = chooser->focusWidget();
      EXPECT_EQ(focus, list);
      for (int key : keys) QTest::keyClick(focus ? focus : list, Qt::Key(key));
    });
  };
  const std::string before = shownPage(*w);
  inChooser({Qt::Key_Escape});
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(places,
            QStringList({QStringLiteral("gs-login.html"), QStringLiteral("using-cmdline-l.html"),
                         QStringLiteral("pscp-usage-basics-user.html")}));
  EXPECT_EQ(titles.size(), 3);
  EXPECT_FALSE(titles.contains(QString()));
  QTest::qWait(100);
  EXPECT_EQ(shownPage(*w), before);

  ASSERT_TRUE(pagewait::loads(w->host(), [&] {
    inChooser({Qt::Key_Down, Qt::Key_Return});
    QTest::keyClick(edit, Qt::Key_Return);
  }));
  EXPECT_EQ(shownPage(*w), "using-cmdline-l.html");
}

// Entries and links that name another help file ("ms-its:b.chm::/p.htm",
// and "b.chm::/p.htm" as merged files' entries do) open that file's page,
// the file looked for beside this one, in that file's own origin.
TEST_F(ReaderWindowTest, OtherHelpFilesOpenBesideThisOne) {
  crafted::TempDir dir;
  const std::string b = dir.path() + "/b.chm";
  ASSERT_TRUE(compiled::build(
      dir.path() + "/projb",
      {{"project.hhp", compiled::project({{"p.htm", ""}}, "Title=B\r\n")},
       {"p.htm", "<html><title>Page of B</title><body><p id=x>b</p></body></html>"}},
      b));
  const compiled::Files a = {
      {"a.htm",
       "<html><title>A</title><body><a id=l href=\"ms-its:b.chm::/p.htm\">to b</a></body></html>"},
      {"a.hhc",
       "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A\">"
       "<param name=\"Local\" value=\"a.htm\"></object>"
       "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Merged\">"
       "<param name=\"Local\" value=\"b.chm::/p.htm\"></object>"
       "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Linked\">"
       "<param name=\"Local\" value=\"MS-ITS:b.chm::/p.htm#x\"></object></ul>"},
  };
  compiled::Files project = a;
  project["project.hhp"] = compiled::project(
      {{"a.htm", ""}}, "Title=A\r\nContents file=a.hhc\r\nDefault topic=a.htm\r\n");
  ASSERT_TRUE(compiled::build(dir.path() + "/proja", project, dir.path() + "/a.chm"));

  // Opened from another folder, so that only the file's own folder can
  // hold b.chm.
  const fs::path cwd = fs::current_path();
  fs::current_path("/");
  auto w = std::make_unique<htmlhelp::ReaderWindow>();
  w->resize(900, 600);
  w->show();
  ASSERT_TRUE(pagewait::loads(w->host(), [&] { ASSERT_TRUE(w->open(dir.path() + "/a.chm", "")); }));
  QTreeWidget* tree = w->contentsTree();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  const std::string bCanonical = fs::canonical(b).string();
  for (int row : {1, 2}) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(pagewait::loads(w->host(), [&] { w->showLocal("a.htm"); }));
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(row));
    ASSERT_TRUE(
        pagewait::loads(w->host(), [&] { QTest::keyClick(tree->viewport(), Qt::Key_Return); }));
    const std::string shown = w->host().CurrentLocation();
    EXPECT_NE(shown.find(bCanonical + "::/p.htm"), std::string::npos) << shown;
    EXPECT_EQ(browser::helpFileOfOrigin(w->host().browser()->url()), bCanonical);
    EXPECT_EQ(w->host().browser()->title(), QStringLiteral("Page of B"));
  }
  // A link in a page of a.chm, clicked.
  ASSERT_TRUE(pagewait::loads(w->host(), [&] { w->showLocal("a.htm"); }));
  const QVariant at = pagewait::eval(
      w->host().browser(),
      QStringLiteral("(function(){var r=document.getElementById('l').getBoundingClientRect();"
                     "return [r.left + r.width / 2, r.top + r.height / 2];})()"));
  const QVariantList xy = at.toList();
  ASSERT_EQ(xy.size(), 2);
  QWidget* view = w->host().browser()->focusProxy();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(pagewait::loads(w->host(), [&] {
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(xy[0].toInt(), xy[1].toInt()));
  }));
  EXPECT_EQ(browser::helpFileOfOrigin(w->host().browser()->url()), bCanonical);
  EXPECT_EQ(w->host().browser()->title(), QStringLiteral("Page of B"));
  fs::current_path(cwd);
}

// The text of every topic's page of a help file as Qt's own HTML reader
// gives it, pages in the file's code page: page (folded) → text.
std::map<std::string, QString> pageTexts(const std::string& file, unsigned codePage) {
  std::map<std::string, QString> texts;
  ItsStorage storage;
  if (itss::FAILED(storage.open(file.c_str()))) return texts;
  std::vector<TopicEntry> topics;
  if (!readTopics(storage.root(), topics)) return texts;
  TopicLookup lookup(storage.root());
  for (const TopicEntry& t : topics) {
    const std::string link = joinTopic(t, lookup).link;
    std::vector<std::uint8_t> bytes;
    if (readStreamBytes(storage.root(), ("/" + link).c_str(), 1 << 24, bytes) != itss::S_OK)
      continue;
    const std::string html = cp::toUtf8(std::string(bytes.begin(), bytes.end()), codePage);
    texts[foldedLocal(link)] =
        QTextDocumentFragment::fromHtml(QString::fromStdString(html)).toPlainText();
  }
  return texts;
}

// Whether a page's text holds a query word: a Latin word whole, in any
// case; Chinese characters each somewhere in the page (the index holds one
// character a word).
bool holds(const QString& text, const QString& word) {
  if (word.front().unicode() < 0x80)
    return text.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(word),
                                            QRegularExpression::CaseInsensitiveOption));
  return std::all_of(word.begin(), word.end(), [&](QChar c) { return text.contains(c); });
}

// Typed words, Enter: the results are the pages that hold every word,
// worked out here from the pages themselves, shown by their titles.
TEST_F(ReaderWindowTest, SearchFindsThePagesThatHoldTheWords) {
  struct Case {
    const char* file;
    unsigned codePage;
    QString query;
  };
  const Case cases[] = {
      {"xpchs_cpanel.chm", 936, QStringLiteral("设置")},
      {"xpchs_cpanel.chm", 936, QStringLiteral("控制 Internet")},
      {"xpchs_cpanel.chm", 936, QStringLiteral("Windows")},
      {"inno_ISetup.chm", 1252, QStringLiteral("uninstall registry")},
      {"inno_ISetup.chm", 1252, QStringLiteral("Wizard")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.query.toStdString());
    auto w = open(c.file);
    if (!w) GTEST_SKIP() << "no corpus";
    w->tabs()->setCurrentIndex(2);
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    auto* results = w->findChild<QListWidget*>(QStringLiteral("SearchResults"));
    ASSERT_TRUE(edit && results);
    edit->setFocus();
    type(edit, c.query);
    QTest::keyClick(edit, Qt::Key_Return);
    std::set<std::string> found;
    for (int i = 0; i < results->count(); ++i)
      found.insert(foldedLocal(results->item(i)->data(Qt::UserRole).toString().toStdString()));

    const std::string file = (kCorpus / c.file).string();
    std::set<std::string> expected;
    const QStringList words = c.query.split(QLatin1Char(' '));
    for (const auto& [page, text] : pageTexts(file, c.codePage))
      if (std::all_of(words.begin(), words.end(), [&](const QString& x) { return holds(text, x); }))
        expected.insert(page);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(found, expected);
    // Titles in the file's code page, as #TOPICS gives them.
    ItsStorage storage;
    ASSERT_TRUE(itss::SUCCEEDED(storage.open(file.c_str())));
    std::vector<SearchHit> hits;
    std::vector<std::string> utf8;
    for (const QString& x : words) utf8.push_back(x.toStdString());
    ASSERT_EQ(searchHelpFile(storage.root(), utf8, {}, hits), SearchStatus::kOk);
    ASSERT_EQ(static_cast<std::size_t>(results->count()), hits.size());
    for (std::size_t i = 0; i < hits.size(); ++i)
      EXPECT_EQ(results->item(static_cast<int>(i))->text().toStdString(), hits[i].title);
    // Enter on a result shows its page.
    if (hits.empty()) continue;
    results->setFocus();
    results->setCurrentRow(0);
    ASSERT_TRUE(pagewait::loads(w->host(), [&] { QTest::keyClick(results, Qt::Key_Return); }));
    EXPECT_EQ(shownPage(*w), foldedLocal(hits[0].local));
  }
}

// A file without an index: its pages are read, and the pages found are the
// ones whose text, as Qt's own HTML reader gives it, holds the word.
TEST_F(ReaderWindowTest, WithoutAnIndexThePagesAreRead) {
  auto w = open("halibut_putty.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  w->tabs()->setCurrentIndex(2);
  auto* edit = w->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("Pageant"));
  QTest::keyClick(edit, Qt::Key_Return);
  auto* results = w->findChild<QListWidget*>(QStringLiteral("SearchResults"));
  std::set<std::string> found;
  for (int i = 0; i < results->count(); ++i)
    found.insert(foldedLocal(results->item(i)->data(Qt::UserRole).toString().toStdString()));

  const std::string file = (kCorpus / "halibut_putty.chm").string();
  ItsStorage storage;
  ASSERT_TRUE(itss::SUCCEEDED(storage.open(file.c_str())));
  std::vector<TopicEntry> topics;
  ASSERT_TRUE(readTopics(storage.root(), topics));
  TopicLookup lookup(storage.root());
  const QRegularExpression word(QStringLiteral("\\bpageant\\b"),
                                QRegularExpression::CaseInsensitiveOption);
  std::set<std::string> expected;
  for (const TopicEntry& t : topics) {
    const std::string link = joinTopic(t, lookup).link;
    std::vector<std::uint8_t> bytes;
    readStreamBytes(storage.root(), ("/" + link).c_str(), 1 << 24, bytes);
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size()));
    if (QTextDocumentFragment::fromHtml(html).toPlainText().contains(word))
      expected.insert(foldedLocal(link));
  }
  EXPECT_GT(expected.size(), 3u);
  EXPECT_EQ(found, expected);
}

TEST_F(ReaderWindowTest, FavouritesOutliveTheWindow) {
  {
    auto w = open("halibut_putty.chm", "/gs.html");
    if (!w) GTEST_SKIP() << "no corpus";
    w->tabs()->setCurrentIndex(3);
    auto* add = w->findChild<QPushButton*>(QStringLiteral("AddFavorite"));
    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_TRUE(pagewait::loads(w->host(), [&] { w->showLocal("intro.html"); }));
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);  // the same page again: kept once
    auto* list = w->findChild<QListWidget*>(QStringLiteral("FavoritesList"));
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(0);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("RemoveFavorite")), Qt::LeftButton);
  }
  CloseSettingsKey();
  auto again = open("halibut_putty.chm");
  auto* list = again->findChild<QListWidget*>(QStringLiteral("FavoritesList"));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->data(Qt::UserRole).toString(), QStringLiteral("/intro.html"));
  ASSERT_TRUE(pagewait::loads(again->host(), [&] {
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
  }));
  EXPECT_EQ(shownPage(*again), "intro.html");
  // Another file has favourites of its own; a Chinese title comes back
  // as it was shown.
  EXPECT_TRUE(htmlhelp::loadFavorites((kCorpus / "7zcn_7-zip.chm").string()).empty());
  QString title;
  {
    auto w = open("7zcn_7-zip.chm", "/cmdline/switches/stdout.htm");
    w->tabs()->setCurrentIndex(3);
    title = w->host().browser()->title();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("AddFavorite")), Qt::LeftButton);
  }
  CloseSettingsKey();
  auto chinese = open("7zcn_7-zip.chm");
  auto* saved = chinese->findChild<QListWidget*>(QStringLiteral("FavoritesList"));
  ASSERT_EQ(saved->count(), 1);
  EXPECT_TRUE(title.contains(QStringLiteral("写入"))) << title.toStdString();
  EXPECT_EQ(saved->item(0)->text(), title);
}

TEST_F(ReaderWindowTest, PlaceIsRememberedPerFileWhenAsked) {
  const fs::path file = kCorpus / "halibut_putty.chm";
  if (!fs::exists(file)) GTEST_SKIP() << "no corpus";
  {
    htmlhelp::ReaderWindow w;
    w.remembersPlace = true;
    w.show();
    ASSERT_TRUE(w.open(file, ""));
    w.setGeometry(120, 90, 720, 520);
    w.setPaneWidth(200);
    QTest::qWait(50);
    w.close();
  }
  htmlhelp::ReaderWindow again;
  again.remembersPlace = true;
  again.show();
  ASSERT_TRUE(again.open(file, ""));
  EXPECT_EQ(again.geometry(), QRect(120, 90, 720, 520));
  // A window that does not remember keeps the place it was given.
  htmlhelp::ReaderWindow plain;
  plain.setGeometry(10, 10, 600, 400);
  plain.show();
  ASSERT_TRUE(plain.open(file, ""));
  EXPECT_EQ(plain.geometry(), QRect(10, 10, 600, 400));
}

// The pane's button hides it and the page takes the room; the button left
// of the page brings it back at the width it had.
TEST_F(ReaderWindowTest, PaneHidesAndComesBack) {
  auto w = open("halibut_putty.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  w->setPaneWidth(230);
  QTest::qWait(20);
  const int pane = w->tabs()->width();
  auto* page = w->findChild<QWidget*>(QStringLiteral("PagePane"));
  const int narrow = page->width();
  QTest::mouseClick(w->findChild<QToolButton*>(QStringLiteral("HidePane")), Qt::LeftButton);
  QTest::qWait(20);
  EXPECT_FALSE(w->paneShown());
  EXPECT_TRUE(w->tabs()->isHidden());
  EXPECT_GT(page->width(), narrow + pane / 2);
  auto* show = w->findChild<QToolButton*>(QStringLiteral("ShowPane"));
  ASSERT_TRUE(show->isVisible());
  QTest::mouseClick(show, Qt::LeftButton);
  QTest::qWait(20);
  EXPECT_TRUE(w->paneShown());
  EXPECT_FALSE(show->isVisible());
  EXPECT_NEAR(w->tabs()->width(), pane, 2);
  EXPECT_NEAR(page->width(), narrow, 2);
}

TEST(ReadReference, FileAndPageAndOnlyRegularFiles) {
  htmlhelp::ReaderWindow window;
  EXPECT_FALSE(window.open("/tmp", ""));  // a folder
  EXPECT_FALSE(window.open("/tmp/no such file.chm", ""));
  EXPECT_EQ(htmlhelp::splitReadReference("a.chm").helpFile, "a.chm");
  EXPECT_EQ(htmlhelp::splitReadReference("a.chm").page, "");
  EXPECT_EQ(htmlhelp::splitReadReference("/x/a.chm::/d/p.htm").helpFile, "/x/a.chm");
  EXPECT_EQ(htmlhelp::splitReadReference("/x/a.chm::d/p.htm").page, "/d/p.htm");
}

}  // namespace
