// The reading window on corpus files, driven by keys and clicks: the
// contents tab holds the file's contents and follows the page shown, the
// index selects the nearest keyword while one types, search lists the pages
// that hold the words, and favourites outlive the window.
#include "platform/htmlhelp/reader_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "chmfiles/fulltext_reader.h"
#include "common/settings_store.h"
#include "its/its_storage.h"
#include "platform/browser/help_file_source.h"
#include "platform/system/codepage.h"
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
}

// The words of a page's text, for checking that each page found holds them.
std::string pageText(const std::string& file, const std::string& page) {
  ItsStorage storage;
  if (itss::FAILED(storage.open(file.c_str()))) return {};
  std::vector<std::uint8_t> bytes;
  readStreamBytes(storage.root(), page.c_str(), 1 << 22, bytes);
  return cp::toUtf8(std::string(bytes.begin(), bytes.end()), 936);
}

TEST_F(ReaderWindowTest, SearchListsThePagesHoldingTheWords) {
  auto w = open("xpchs_cpanel.chm");
  if (!w) GTEST_SKIP() << "no corpus";
  w->tabs()->setCurrentIndex(2);
  auto* edit = w->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
  auto* results = w->findChild<QListWidget*>(QStringLiteral("SearchResults"));
  ASSERT_TRUE(edit && results);
  edit->setFocus();
  type(edit, QStringLiteral("控制 Internet"));
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_GT(results->count(), 0);
  const std::string file = (kCorpus / "xpchs_cpanel.chm").string();
  for (int i = 0; i < results->count(); ++i) {
    const std::string page = results->item(i)->data(Qt::UserRole).toString().toStdString();
    const std::string text = pageText(file, page);
    SCOPED_TRACE(page);
    EXPECT_NE(text.find("控"), std::string::npos);
    EXPECT_NE(text.find("制"), std::string::npos);
    EXPECT_NE(text.find("Internet"), std::string::npos);
  }
  // The same pages as the reader gives for the words, titles as shown.
  ItsStorage storage;
  ASSERT_TRUE(itss::SUCCEEDED(storage.open(file.c_str())));
  std::vector<SearchHit> hits;
  ASSERT_EQ(searchHelpFile(storage.root(), {"控制", "Internet"}, {}, hits), SearchStatus::kOk);
  ASSERT_EQ(static_cast<std::size_t>(results->count()), hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i)
    EXPECT_EQ(results->item(static_cast<int>(i))->text().toStdString(), hits[i].title);
  // Enter on a result shows its page.
  results->setFocus();
  results->setCurrentRow(0);
  ASSERT_TRUE(pagewait::loads(w->host(), [&] { QTest::keyClick(results, Qt::Key_Return); }));
  EXPECT_EQ(shownPage(*w), foldedLocal(hits[0].local));
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
  // Another file has favourites of its own.
  EXPECT_TRUE(htmlhelp::loadFavorites((kCorpus / "7zcn_7-zip.chm").string()).empty());
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
