// The recompile command from the main window's menu: dialog 141 with its tip
// area, the batch in the results dialog and its totals line; the checks on
// OK and the lists the dialog offers. With WRENLOW_SHOT=<file> dialog 141 is
// saved as a picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineView>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/log_doc.h"
#include "app/main_frame.h"
#include "common/history_list.h"
#include "platform/browser/its_scheme_handler.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/registry/registry.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/decompile/crafted_file.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "tests/ui/results_driver.h"
#include "tool_dialogs/recompile_command.h"
#include "tool_dialogs/recompile_dialog.h"
#include "tool_dialogs/recompile_results.h"

namespace {

namespace fs = std::filesystem;
using modal::resultText;
using modal::whenRunEnds;
using modal::whenShown;

// Types text into a combo box's edit in place of what it holds, as a user would.
void type(QComboBox* combo, const std::string& text) {
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), QString::fromStdString(text));
}

// The page the tip area's help page shows, as its its: address.
std::string pageOf(QDialog* d) {
  auto* view = d->findChild<QWebEngineView*>();
  return view ? browser::displayAddress(view->url()) : std::string();
}

QString title(int id) { return QString::fromUtf8(res::findDialog(id)->title); }
QString str(unsigned id) { return QString::fromUtf8(LoadStr(id)); }

// A help file whose topics 301-307 are pages "tipN.htm" (the #IVB map
// points into #STRINGS), each naming its topic.
void writeHelpFile(const std::string& path) {
  crafted::Tree tree{{"#SYSTEM", std::string(4, '\3')}};
  std::string strings(1, '\0'), ivb;
  for (std::uint32_t topic = 301; topic <= 307; ++topic) {
    const std::string page = "tip" + std::to_string(topic) + ".htm";
    crafted::le32(ivb, topic);
    crafted::le32(ivb, static_cast<std::uint32_t>(strings.size()));
    strings += page + std::string(1, '\0');
    tree[page] = "<html><head><meta charset=utf-8></head><body><h4>Topic " + std::to_string(topic) +
                 "</h4><p>这一字段的说明。</p><div id=ItTimedInfo>timed</div></body></html>";
  }
  std::string size;
  crafted::le32(size, static_cast<std::uint32_t>(ivb.size()));
  tree["#IVB"] = size + ivb;
  tree["#STRINGS"] = strings;
  crafted::write(path, tree);
}

class RecompileGui : public ::testing::Test {
 protected:
  RecompileGui() : cwd_(fs::current_path()) {
    // The program's help file is found in the current folder.
    fs::current_path(scratch_.root());
    writeHelpFile(scratch_.root() + "/Wrenlow.chm");
    fs::create_directory(dir() + "/in");
    const std::string page(3000, 'x');
    crafted::write(dir() + "/in/one.chm", {{"a.htm", page}}, false);
    crafted::write(dir() + "/in/two.chm", {{"b.htm", page + "b"}}, false);
  }
  ~RecompileGui() override { fs::current_path(cwd_); }
  std::string dir() const { return scratch_.root(); }

  ScratchConfig scratch_;
  fs::path cwd_;
};

TEST_F(RecompileGui, MenuCommandRunsTheBatchAndShowsTheTotals) {
  ASSERT_TRUE(programHelpAvailable());
  ScopedRecordingPrompter prompter;
  CLogDoc doc;
  CMainFrame frame(doc);
  frame.show();

  std::string openingPage, hoverPage;
  QString openingHeading, hoverEarly, hoverLate, focusHeading, report, shotError;
  bool okWasDisabled = false, okEnabled = false;
  whenShown(title(IDD_RECOMPILE_TIPS), [&](QDialog* d) {
    auto* source = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_SOURCE);
    auto* target = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_TARGET);
    auto* ok = dlg::findControl<QPushButton>(d, IDOK);
    auto* heading = dlg::findControl<QLabel>(d, IDC_RECOMPILE_TIP_HEADING);
    auto* dropIndex = dlg::findControl<QCheckBox>(d, IDC_RECOMPILE_DROP_INDEX);
    if (!source || !target || !ok || !heading || !dropIndex) {
      d->reject();
      return;
    }
    (void)QTest::qWaitForWindowActive(d);
    // The pane's page comes from the web engine, later on a busy machine.
    (void)QTest::qWaitFor([&] { return pageOf(d).ends_with("tip301.htm"); }, 10000);
    openingHeading = heading->text();
    openingPage = pageOf(d);
    okWasDisabled = !ok->isEnabled();
    // The mouse rests on the target field: its tip after the pause only.
    QTest::mouseMove(d->windowHandle(), target->mapTo(d, QPoint(10, 5)));
    QTest::qWait(100);
    hoverEarly = heading->text();
    QTest::qWait(CRecompileDlg::kHoverDelayMs + 300);
    hoverLate = heading->text();
    (void)QTest::qWaitFor([&] { return pageOf(d).ends_with("tip302.htm"); }, 10000);
    hoverPage = pageOf(d);
    // Focus reaches a control only in the active window; another GUI test on
    // the same display may have taken the activation meanwhile.
    for (int tries = 0; tries < 20 && heading->text() != str(IDS_TIP_BINARY_INDEX); ++tries) {
      d->activateWindow();
      (void)QTest::qWaitForWindowActive(d, 200);
      dropIndex->setFocus(Qt::TabFocusReason);
      QTest::qWait(20);
    }
    focusHeading = heading->text();
    if (const char* shot = std::getenv("WRENLOW_SHOT")) {
      // The web view draws outside the widget: the picture is taken from the screen.
      QTest::qWait(1500);
      const QRect r = d->frameGeometry();
      if (!d->screen()
               ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
               .save(QString::fromLocal8Bit(shot)))
        shotError = "cannot save";
    }
    type(source, dir() + "/in/*.chm");
    type(target, dir() + "/out");
    okEnabled = ok->isEnabled();
    whenShown(title(IDD_RESULTS),
              [&](QDialog* r) { whenRunEnds(r, [&](QDialog* r) { report = resultText(r); }); });
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  QAction* action = frame.menuAction(ID_RECOMPILE);
  ASSERT_NE(action, nullptr);
  action->trigger();

  EXPECT_EQ(openingHeading, str(IDS_TIP_SOURCE));
  EXPECT_EQ(hoverEarly, str(IDS_TIP_SOURCE));
  EXPECT_EQ(hoverLate, str(IDS_TIP_TARGET));
  EXPECT_TRUE(openingPage.ends_with("::/tip301.htm") || openingPage.ends_with("::tip301.htm"))
      << openingPage;
  EXPECT_TRUE(hoverPage.ends_with("tip302.htm")) << hoverPage;
  EXPECT_EQ(focusHeading, str(IDS_TIP_BINARY_INDEX));
  EXPECT_TRUE(okWasDisabled);
  EXPECT_TRUE(okEnabled);
  EXPECT_EQ(prompter.count(), 0u);
  const QStringList lines = report.split('\n');
  ASSERT_GE(lines.size(), 4) << report.toStdString();
  EXPECT_TRUE(lines[0].startsWith("one.chm\t(")) << report.toStdString();
  EXPECT_TRUE(lines[1].startsWith("two.chm\t(")) << report.toStdString();
  EXPECT_TRUE(report.contains("\n\n合计:\t(")) << report.toStdString();
  EXPECT_TRUE(fs::exists(dir() + "/out/one.chm") && fs::exists(dir() + "/out/two.chm"));
  // The target folder went into the history.
  ASSERT_FALSE(recompileFolderHistory().entries().empty());
  EXPECT_EQ(recompileFolderHistory().entries().front(), dir() + "/out");
  EXPECT_TRUE(shotError.isEmpty());
}

// Escape pressed while a file is recompiled over an existing target: the
// run stops, and the target stays byte for byte with nothing left beside it.
TEST_F(RecompileGui, EscapeDuringTheRunLeavesTheTargetAsItWas) {
  class EscapeAtThirdStep : public CRecompileResultsDlg {
   public:
    using CRecompileResultsDlg::CRecompileResultsDlg;
    void step() override {
      if (++steps_ == 3)
        QApplication::postEvent(window(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      CRecompileResultsDlg::step();
    }

   private:
    int steps_ = 0;
  };
  ScopedRecordingPrompter prompter;
  crafted::Tree tree;
  for (int i = 0; i < 50; ++i) tree["p" + std::to_string(i) + ".htm"] = std::string(3000, 'p');
  crafted::write(dir() + "/in/many.chm", tree, false);
  fs::create_directory(dir() + "/out");
  const std::string target = dir() + "/out/many.chm";
  crafted::write(target, {{"old.htm", "the user's file"}}, false);
  const std::string before = crafted::readFile(target);

  RecompileRequest request;
  request.source = dir() + "/in/many.chm";
  request.target = target;
  EscapeAtThirdStep results(nullptr, request);
  closeWhenDone(results);
  results.DoModal();
  EXPECT_TRUE(results.outcome().cancelled);
  EXPECT_EQ(crafted::readFile(target), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir() + "/out"), {}), 1);
  EXPECT_EQ(prompter.count(), 0u);
}

TEST_F(RecompileGui, OkChecksTheSourceAndTheWildcardTarget) {
  ScopedRecordingPrompter prompter;
  CRecompileDlg dialog(false);
  int stillOpen = 0;
  whenShown(title(IDD_RECOMPILE), [&](QDialog* d) {
    auto* source = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_SOURCE);
    auto* target = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_TARGET);
    auto* ok = dlg::findControl<QPushButton>(d, IDOK);
    type(source, dir() + "/missing.chm");
    type(target, dir() + "/in");
    ok->click();
    stillOpen += d->isVisible();
    type(source, dir() + "/in/*.chm");
    type(target, dir() + "/in/one.chm");
    ok->click();
    stillOpen += d->isVisible();
    type(target, dir() + "/new/folder");
    ok->click();
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(stillOpen, 2);
  ASSERT_EQ(prompter.count(), 2u);
  EXPECT_EQ(prompter.questions()[0].text,
            FormatMessageText(LoadStr(IDS_CANNOT_OPEN), dir() + "/missing.chm"));
  EXPECT_EQ(prompter.questions()[1].text, LoadStr(IDS_WILDCARD_NEEDS_FOLDER));
  EXPECT_EQ(dialog.request.target, dir() + "/new/folder");
  // The drop boxes start cleared.
  EXPECT_TRUE(dialog.request.options.collectionPart);
  EXPECT_FALSE(dialog.request.options.dropSitemapIndex);
  EXPECT_FALSE(dialog.request.options.dropSitemapContents);
}

TEST_F(RecompileGui, ListsComeFromTheCompilerKeysAndTheFolderHistory) {
  for (const char* keyName : {"Software\\Microsoft\\HTML Help Workshop\\Compiled Files",
                              "Software\\Microsoft\\HTML Help Workshop\\Compressed HTML"}) {
    reg::HKEY key = nullptr;
    ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_CURRENT_USER, keyName, reg::KEY_ALL_ACCESS, &key),
              reg::ERROR_SUCCESS);
    const std::string a = "/srv/Help/A.chm", b = std::string(keyName).back() == 'L'
                                                     ? "/srv/help/a.CHM"
                                                     : "/srv/help/b.chm";
    reg::RegSetValueEx(key, "0", reg::REG_SZ, a.c_str(), a.size() + 1);
    reg::RegSetValueEx(key, "1", reg::REG_SZ, b.c_str(), b.size() + 1);
    reg::RegCloseKey(key);
  }
  EXPECT_EQ(registeredCompiledFiles(),
            (std::vector<std::string>{"/srv/Help/A.chm", "/srv/help/b.chm"}));

  recompileFolderHistory().AddRecent(dir() + "/in");
  CRecompileDlg dialog(false);
  QString targetText, chosenTarget, keptFolder, firstFolder;
  whenShown(title(IDD_RECOMPILE), [&](QDialog* d) {
    auto* source = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_SOURCE);
    auto* target = dlg::findControl<QComboBox>(d, IDC_RECOMPILE_TARGET);
    targetText = target->currentText();
    firstFolder = target->itemText(0);
    // Choosing a source copies it into an empty target…
    source->setCurrentIndex(1);
    emit source->activated(1);
    chosenTarget = target->currentText();
    // …but keeps a target without a "." (a folder).
    target->setEditText(QString::fromStdString(dir() + "/in"));
    source->setCurrentIndex(0);
    emit source->activated(0);
    keptFolder = target->currentText();
    d->reject();
  });
  dialog.DoModal();
  EXPECT_TRUE(targetText.isEmpty());
  EXPECT_EQ(firstFolder.toStdString(), dir() + "/in");
  EXPECT_EQ(chosenTarget.toStdString(), "/srv/help/b.chm");
  EXPECT_EQ(keptFolder.toStdString(), dir() + "/in");
}

TEST(RecompileTips, TimedInfoComparesConstructionTicks) {
  EXPECT_FALSE(CRecompileDlg::wantsTimedInfo(1000, 0));
  EXPECT_FALSE(CRecompileDlg::wantsTimedInfo(1000, 61000));
  EXPECT_TRUE(CRecompileDlg::wantsTimedInfo(1000, 61001));
  // The system's tick count wraps after 49.7 days.
  EXPECT_TRUE(CRecompileDlg::wantsTimedInfo(0xFFFFFFF0u, 60000));
}

}  // namespace
