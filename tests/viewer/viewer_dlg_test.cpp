// The viewer dialog on files written by the test: the tree as the widget
// shows it, selection dispatch seen in the page pane, New file with an
// unreadable file, the temporary pages' life and the work-area clamp. With
// WRENLOW_SHOT_DIR=<folder> the dialog is saved as pictures along the way.
#include "viewer/viewer_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "platform/browser/closed_profile.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/decompile/crafted_file.h"
#include "tests/platform/browser/browser_page_wait.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "ui/elided_label.h"

namespace {

namespace fs = std::filesystem;

const crafted::Tree kFiles = {
    {"#SYSTEM", std::string("\3\0\0\0", 4) + crafted::record(3, crafted::text("Title"))},
    {"$FIftiMain", "f"},
    {"$WWKeywordLinks/BTree", "b"},
    {"big.HTM", "<html><body><p>" + std::string(1234567 - 33, 'x') + "</p></body></html>"},
    {"index.hhk", "<html></html>"},
    {"sub/#SYSTEM", "s"},
    {"sub/style.css", "b { color: red }"},
};

// The texts of the item and its children, "text[child,child]".
std::string describe(QTreeWidgetItem* item) {
  std::string out = item->text(0).toStdString();
  if (item->childCount() == 0) return out;
  out += "[";
  for (int i = 0; i < item->childCount(); ++i) out += (i ? "," : "") + describe(item->child(i));
  return out + "]";
}

QTreeWidgetItem* findItem(QTreeWidget* tree, const QString& text) {
  const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

// Waits until the page pane's location contains part.
bool waitForLocation(CViewerDlg& dlg, const std::string& part, int ms = 10000) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (dlg.host().CurrentLocation().find(part) != std::string::npos) return true;
    QTest::qWait(50);
  }
  ADD_FAILURE() << "location: " << dlg.host().CurrentLocation();
  return false;
}

void shot(QWidget* w, const char* name) {
  const char* dir = std::getenv("WRENLOW_SHOT_DIR");
  if (!dir) return;
  QTest::qWait(800);
  // The window with its frame and title, as it shows on the screen.
  const QRect r = w->frameGeometry();
  w->screen()
      ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
      .save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

class ViewerGui : public ::testing::Test {
 protected:
  ScratchConfig scratch_;
  crafted::TempDir dir_;
};

TEST_F(ViewerGui, TreeShowsTheFileAndSelectionsShowTheirPages) {
  const std::string path = dir_ / "file.chm";
  ASSERT_TRUE(crafted::write(path, kFiles));
  ScopedRecordingPrompter prompter;
  auto owned = std::make_unique<CViewerDlg>(nullptr, path);
  CViewerDlg& dlg = *owned;
  ASSERT_TRUE(dlg.create());
  dlg.show();
  QTreeWidget* tree = dlg.tree();
  ASSERT_NE(tree, nullptr);
  std::vector<std::string> top;
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    top.push_back(describe(tree->topLevelItem(i)));
  EXPECT_EQ(top, (std::vector<std::string>{
                     "常规信息", "内部文件[#SYSTEM (14),$FIftiMain (1),$WWKeywordLinks[BTree (1)]]",
                     "big.HTM (1,234,567)", "index.hhk (13)", "sub[#SYSTEM (1),style.css (16)]"}));
  EXPECT_FALSE(tree->topLevelItem(0)->icon(0).isNull());
  EXPECT_EQ(dlg.findChild<QLabel*>()->text().isEmpty(), false);

  // An HTML file in capitals opens inside the help file.
  tree->setCurrentItem(findItem(tree, "big.HTM (1,234,567)"));
  EXPECT_TRUE(waitForLocation(dlg, "::/big.HTM"));
  shot(&dlg, "viewer-htm");
  // An index file and a storage show the binary-file page of the program's
  // own help file, found under its real name on a case-sensitive disk.
  tree->setCurrentItem(findItem(tree, "index.hhk (13)"));
  EXPECT_TRUE(waitForLocation(dlg, "/Wrenlow.chm::/html/binfile.htm"));
  EXPECT_EQ(prompter.count(), 0u);
  tree->setCurrentItem(findItem(tree, "big.HTM (1,234,567)"));
  EXPECT_TRUE(waitForLocation(dlg, "::/big.HTM"));
  tree->setCurrentItem(findItem(tree, "sub"));
  EXPECT_TRUE(waitForLocation(dlg, "binfile.htm"));
  // A report page is written, shown, and deleted with the dialog.
  tree->setCurrentItem(tree->topLevelItem(1)->child(0));
  EXPECT_TRUE(waitForLocation(dlg, "~system.htm"));
  shot(&dlg, "viewer-system");
  ASSERT_EQ(dlg.tempPages().size(), 1u);
  const std::string page = dlg.tempPages()[0];
  EXPECT_TRUE(fs::exists(page));
  owned.reset();
  EXPECT_FALSE(fs::exists(page));
}

TEST_F(ViewerGui, ItsFileHasNoGeneralInformationAndTheViewerFitsTheClampedWorkArea) {
  const std::string path = dir_ / "file.its";
  ASSERT_TRUE(crafted::write(path, {{"a.txt", "a"}}));
  CViewerDlg dlg(nullptr, path);
  ASSERT_TRUE(dlg.create());
  ASSERT_EQ(dlg.tree()->topLevelItemCount(), 1);
  EXPECT_EQ(dlg.tree()->topLevelItem(0)->text(0), "a.txt (1)");
  EXPECT_EQ(CViewerDlg::clampedWorkArea(QRect(0, 0, 1280, 1024)), QRect(0, 0, 1024, 768));
  EXPECT_EQ(CViewerDlg::clampedWorkArea(QRect(0, 30, 800, 570)), QRect(0, 30, 800, 570));
  // As large as the clamped work area and centred on the screen, not at its
  // top-left corner.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(dlg.size(), CViewerDlg::clampedWorkArea(area).size());
  const QRect placed(dlg.pos(), dlg.size());
  EXPECT_LE((placed.center() - area.center()).manhattanLength(), 2)
      << placed.x() << "," << placed.y();
}

TEST_F(ViewerGui, NewFileOnAnUnreadableFilePromptsAgainAndKeepsTheOpenFileWorking) {
  const std::string good = dir_ / "file.chm";
  const std::string bad = dir_ / "bad.chm";
  ASSERT_TRUE(crafted::write(good, kFiles));
  { std::ofstream(bad) << "not a compiled help file"; }
  ScopedRecordingPrompter prompter;
  CViewerDlg dlg(nullptr, good);
  ASSERT_TRUE(dlg.create());
  dlg.tree()->setCurrentItem(dlg.tree()->topLevelItem(0));  // the general page
  ASSERT_EQ(dlg.tempPages().size(), 1u);
  const std::string page = dlg.tempPages()[0];

  // First prompt: the unreadable file; second prompt: cancel.
  int prompts = 0;
  std::function<void(QFileDialog*)> answer = [&](QFileDialog* d) {
    if (++prompts == 1) {
      modal::pick(d, bad);
      modal::whenPickerShown(answer);
    } else {
      d->reject();
    }
  };
  modal::whenPickerShown(answer);
  dlg.OnNewFile();
  EXPECT_EQ(prompts, 2);
  EXPECT_EQ(prompter.count(), 1u);  // "不能打开“%s”。"
  // The file shown before stays open, and its tree still works.
  EXPECT_TRUE(dlg.fileOpen());
  EXPECT_EQ(dlg.filePath(), good);
  EXPECT_TRUE(fs::exists(page));
  ASSERT_GT(dlg.tree()->topLevelItemCount(), 1);
  dlg.tree()->setCurrentItem(dlg.tree()->topLevelItem(1)->child(0));  // #SYSTEM
  EXPECT_EQ(dlg.tempPages().size(), 2u);
}

// A long path shows on one line, cut in the middle so that both its start and
// the file's name stay in view; the whole path is the tool tip.
TEST_F(ViewerGui, FileNameShowsOnOneLineCutInTheMiddle) {
  const fs::path deep = fs::path(dir_ / "a-rather-long-folder-name") / "with-more-parts-in-it" /
                        "and-yet-another-folder-below" / "chms";
  fs::create_directories(deep);
  const std::string path = (deep / "some-help-file.chm").string();
  ASSERT_TRUE(crafted::write(path, kFiles));
  CViewerDlg dlg(nullptr, path);
  ASSERT_TRUE(dlg.create());
  dlg.show();
  auto* name = qobject_cast<QLabel*>(dlg.control(IDC_VIEWER_FILENAME));
  ASSERT_NE(name, nullptr);
  const QString shown = name->text();
  EXPECT_FALSE(name->wordWrap());
  EXPECT_TRUE(shown.endsWith(QStringLiteral("some-help-file.chm"))) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("/"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
  EXPECT_LE(name->fontMetrics().horizontalAdvance(shown), name->contentsRect().width());
  EXPECT_EQ(name->toolTip().toStdString(), path);
  // The viewer's push buttons are round, as in the other dialogs.
  for (int id : {IDC_VIEWER_NEWFILE, IDOK, IDC_TIPS}) {
    QWidget* b = dlg.control(id);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->mask().isEmpty()) << id;
    EXPECT_FALSE(b->mask().contains(QPoint(0, 0))) << id;
  }
}

// The link label under the page pane: "链接:" at first, then the address of
// the link under the mouse, on one line beside the buttons.
TEST_F(ViewerGui, LinkLabelShowsBesideTheButtonsAndFollowsTheMouse) {
  const std::string path = dir_ / "links.chm";
  ASSERT_TRUE(
      crafted::write(path, {{"#SYSTEM", std::string("\3\0\0\0", 4)},
                            {"a.htm",
                             "<html><body style='margin:0'><a id=l href='b.htm' "
                             "style='display:block;width:400px;height:200px'>b</a></body></html>"},
                            {"b.htm", "<html><body>b</body></html>"}}));
  ScopedRecordingPrompter prompter;
  CViewerDlg dlg(nullptr, path);
  ASSERT_TRUE(dlg.create());
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  auto* link = qobject_cast<QLabel*>(dlg.control(IDC_VIEWER_LINK));
  ASSERT_NE(link, nullptr);
  // Beside the buttons, on their line, right of the last one.
  QWidget* tips = dlg.control(IDC_TIPS);
  EXPECT_TRUE(link->isVisible());
  EXPECT_GT(link->x(), tips->geometry().right());
  EXPECT_LE(link->geometry().right(), dlg.width());
  EXPECT_LT(std::abs(link->geometry().center().y() - tips->geometry().center().y()),
            tips->height());
  // The caption stays when a page loads.
  dlg.tree()->setCurrentItem(dlg.tree()->findItems("a.htm", Qt::MatchStartsWith).value(0));
  ASSERT_TRUE(waitForLocation(dlg, "::/a.htm"));
  QWebEngineView* view = dlg.host().browser();
  ASSERT_TRUE(pagewait::until(view, "!!document.getElementById('l')"));
  EXPECT_EQ(link->text(), QStringLiteral("链接:"));
  // The mouse over the link shows its address; off it, the caption again.
  QWidget* surface = view->focusProxy() ? view->focusProxy() : view;
  const auto shows = [&](const std::function<bool(const QString&)>& ok) {
    for (int waited = 0; waited < 5000 && !ok(link->text()); waited += 50) QTest::qWait(50);
    return ok(link->text());
  };
  QTest::mouseMove(surface, QPoint(300, 10));
  QTest::mouseMove(surface, QPoint(100, 100));
  // Named as the viewer names pages of the file: its:<file>::/<page>.
  EXPECT_TRUE(shows([&](const QString&) {
    return ui::ElidedLabelFullText(link) == QString::fromStdString("its:" + path + "::/b.htm");
  })) << link->text().toStdString();
  EXPECT_EQ(link->text().count(QLatin1Char('\n')), 0);
  QTest::mouseMove(surface, QPoint(600, 400));
  EXPECT_TRUE(shows([](const QString& t) { return t == QStringLiteral("链接:"); }))
      << link->text().toStdString();
  EXPECT_EQ(prompter.count(), 0u);
}

// Pictures of real files for a reader to look at (only with WRENLOW_SHOT_DIR).
TEST_F(ViewerGui, CorpusPictures) {
  if (!std::getenv("WRENLOW_SHOT_DIR")) GTEST_SKIP() << "no picture folder";
  // The program's icon on the window, as the program sets it at start.
  QApplication::setWindowIcon(dlg::programIcon());
  ScopedRecordingPrompter prompter;
  {
    CViewerDlg dlg(nullptr, WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm");
    ASSERT_TRUE(dlg.create());
    dlg.show();
    QTreeWidget* tree = dlg.tree();
    tree->setCurrentItem(findItem(tree, "#SYSTEM (4,256)") ? findItem(tree, "#SYSTEM (4,256)")
                                                           : tree->topLevelItem(1)->child(0));
    QTest::qWait(1500);
    shot(&dlg, "gbk-tree");
    for (int i = 0; i < tree->topLevelItem(1)->childCount(); ++i)
      if (tree->topLevelItem(1)->child(i)->text(0).startsWith("#SYSTEM"))
        tree->setCurrentItem(tree->topLevelItem(1)->child(i));
    EXPECT_TRUE(waitForLocation(dlg, "~system.htm"));
    shot(&dlg, "gbk-system");
    for (int i = 0; i < tree->topLevelItem(1)->childCount(); ++i)
      if (tree->topLevelItem(1)->child(i)->text(0).startsWith("#TOPICS"))
        tree->setCurrentItem(tree->topLevelItem(1)->child(i));
    EXPECT_TRUE(waitForLocation(dlg, "~topics.htm"));
    shot(&dlg, "gbk-topics");
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_TRUE(waitForLocation(dlg, "~GeneralInfo.htm"));
    QTest::qWait(800);
    dlg.host().browser()->page()->runJavaScript(
        "document.getElementById('Out1').click(); document.getElementById('Out2').click();");
    shot(&dlg, "gbk-general");
    for (QTreeWidgetItem* item : tree->findItems("7-Zip.hhc", Qt::MatchStartsWith))
      tree->setCurrentItem(item);
    shot(&dlg, "gbk-contents");
    for (QTreeWidgetItem* item : tree->findItems("start.htm", Qt::MatchStartsWith))
      tree->setCurrentItem(item);
    EXPECT_TRUE(waitForLocation(dlg, "::/start.htm"));
    shot(&dlg, "gbk-its-page");
  }
  CViewerDlg dlg(nullptr, WRENLOW_CORPUS_DIR "/massspec_ElementPeriodTable.CHM");
  ASSERT_TRUE(dlg.create());
  dlg.show();
  dlg.tree()->setCurrentItem(dlg.tree()->topLevelItem(0));
  EXPECT_TRUE(waitForLocation(dlg, "~GeneralInfo.htm"));
  QTest::qWait(800);
  dlg.host().browser()->page()->runJavaScript("document.getElementById('Out2').click();");
  shot(&dlg, "lcid409-gbk");
}

// The README's picture of the viewer: a Simplified Chinese help file with
// its tree open at a page (only with WRENLOW_SHOT_DIR).
TEST_F(ViewerGui, ReadmePicture) {
  if (!std::getenv("WRENLOW_SHOT_DIR")) GTEST_SKIP() << "no picture folder";
  QApplication::setWindowIcon(dlg::programIcon());
  ScopedRecordingPrompter prompter;
  CViewerDlg dlg(nullptr, WRENLOW_CORPUS_DIR "/ahkcn_AutoHotkey.chm");
  ASSERT_TRUE(dlg.create());
  dlg.show();
  QTreeWidgetItem* page = nullptr;
  for (QTreeWidgetItem* item :
       dlg.tree()->findItems("Tutorial.htm", Qt::MatchStartsWith | Qt::MatchRecursive))
    page = item;
  ASSERT_NE(page, nullptr);
  dlg.tree()->setCurrentItem(page);
  EXPECT_TRUE(waitForLocation(dlg, "::/docs/Tutorial.htm"));
  QTest::qWait(1000);
  shot(&dlg, "readme-viewer");
}

}  // namespace

int main(int argc, char** argv) {
  browser::registerSchemes();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
