// The HTML Help stand-in: pop-up texts found by topic, window types read
// from #WINDOWS, topic windows placed and reused as their type says, and
// control pop-ups beside the control.
#include "platform/htmlhelp/html_help.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "platform/browser/help_file_source.h"
#include "platform/htmlhelp/popup_text.h"
#include "platform/htmlhelp/reader_window.h"
#include "res/ids.h"
#include "tests/platform/browser/browser_page_wait.h"
#include "tests/platform/browser/help_file_builder.h"

namespace {

TEST(PopupText, TopicsRunToTheNextTopicLine) {
  const std::string file =
      ".topic IDH_SYMBOL\r\nnamed by a symbol\r\n"
      ".topic 101\r\n\r\nfirst line\r\nsecond line\r\n\r\n"
      ".TOPIC 1010\r\nlonger number\r\n"
      ".topic 7\nlast, no line end";
  EXPECT_EQ(htmlhelp::findPopupText(file, 101), "first line\nsecond line");
  EXPECT_EQ(htmlhelp::findPopupText(file, 1010), "longer number");
  EXPECT_EQ(htmlhelp::findPopupText(file, 7), "last, no line end");
  EXPECT_FALSE(htmlhelp::findPopupText(file, 10).has_value());
  EXPECT_FALSE(htmlhelp::findPopupText("", 1).has_value());
  EXPECT_FALSE(htmlhelp::findPopupText(".topic", 0).has_value());
}

class HtmlHelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    helpfile::Spec spec;
    spec.lcid = 0x804;
    spec.files["/a.htm"] = "<html><body id=b>topic a</body></html>";
    spec.files["/b.htm"] = "<html><body id=b>topic b</body></html>";
    // Pop-up texts in GBK: "源文件" for 101.
    spec.files["/pop.txt"] = ".topic 101\r\n\xD4\xB4\xCE\xC4\xBC\xFE\r\n.topic 102\r\nsecond\r\n";
    spec.topics = {{5, "/a.htm"}, {6, "/b.htm"}};
    // "帮助" in GBK as the caption; Home, Back and Print.
    spec.windows = {{"Other", "", 0, 0, 0, 0, 0},
                    {"DlgHelp", "\xB0\xEF\xD6\xFA", 100, 120, 400, 520, 0x40 | 0x4 | 0x2000},
                    // A navigation pane 180 pixels wide with the search tab.
                    {"Main", "Main", 50, 60, 850, 660, 0x40, 0x20 | 0x400, 180}};
    ASSERT_TRUE(helpfile::write(dir_ / "help.chm", spec));
    file_ = dir_ / "help.chm";
  }
  void TearDown() override { browser::HelpFileSource::instance().closeAll(); }

  crafted::TempDir dir_;
  std::string file_;
  htmlhelp::QtHtmlHelp viewer_;
};

TEST_F(HtmlHelpTest, WindowTypeLookFromTheHelpFile) {
  htmlhelp::WindowTypeLook look;
  ASSERT_TRUE(htmlhelp::readWindowTypeLook(file_, "dlghelp", look));
  EXPECT_EQ(look.rect, QRect(100, 120, 300, 400));
  EXPECT_EQ(look.caption, "帮助");
  EXPECT_EQ(look.buttonMask, HHBTN_MASK_HOME | HHBTN_MASK_BACK | HHBTN_MASK_PRINT);
  ASSERT_TRUE(htmlhelp::readWindowTypeLook(file_, "Other", look));
  EXPECT_TRUE(look.rect.isEmpty());
  EXPECT_EQ(look.buttonMask, 0u);
  EXPECT_FALSE(htmlhelp::readWindowTypeLook(file_, "Missing", look));
  EXPECT_FALSE(htmlhelp::readWindowTypeLook(dir_ / "none.chm", "DlgHelp", look));
}

TEST_F(HtmlHelpTest, TypeWithANavigationPaneOpensTheReadingWindow) {
  htmlhelp::WindowTypeLook look;
  ASSERT_TRUE(htmlhelp::readWindowTypeLook(file_, "Main", look));
  EXPECT_TRUE(look.navigationPane);
  EXPECT_TRUE(look.searchTab);
  EXPECT_FALSE(look.favoritesTab);
  EXPECT_EQ(look.navWidth, 180);
  QWidget caller;
  caller.show();
  const std::intptr_t shown = viewer_.htmlHelp(&caller, file_ + ">Main", HH_HELP_CONTEXT, 6);
  htmlhelp::ReaderWindow* reader = viewer_.readerFor(file_, "Main");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(reader), shown);
  EXPECT_EQ(viewer_.windowFor(file_, "Main"), nullptr);
  EXPECT_EQ(reader->tabs()->count(), 3);  // contents, index, search
  EXPECT_EQ(reader->windowTitle(), QStringLiteral("Main"));
  EXPECT_TRUE(pagewait::until(reader->host().browser(), "location.href.endsWith('/b.htm')"));
  // The open window is reused for the next topic.
  EXPECT_EQ(viewer_.htmlHelp(&caller, file_ + ">Main", HH_HELP_CONTEXT, 5), shown);
  EXPECT_TRUE(pagewait::until(reader->host().browser(), "location.href.endsWith('/a.htm')"));
  reader->close();
}

TEST_F(HtmlHelpTest, TopicWindowOfTheTypeIsPlacedAndReused) {
  QWidget caller;
  caller.setGeometry(10, 10, 200, 150);
  caller.show();
  const std::string reference = file_ + ">DlgHelp";
  const std::intptr_t first = viewer_.htmlHelp(&caller, reference, HH_HELP_CONTEXT, 5);
  ASSERT_NE(first, 0);
  CHelpPageWnd* window = viewer_.windowFor(file_, "DlgHelp");
  ASSERT_EQ(reinterpret_cast<std::intptr_t>(window), first);
  EXPECT_EQ(window->geometry(), QRect(100, 120, 300, 400));
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("帮助"));
  EXPECT_EQ(window->parentWidget(), &caller);
  CHHCtrl& host = window->control();
  EXPECT_NE(host.button(ID_HHBTN_PRINT), nullptr);
  EXPECT_EQ(host.button(ID_HHBTN_FORWARD), nullptr);
  ASSERT_TRUE(pagewait::until(host.browser(), "document.body && document.body.id == 'b'"));
  EXPECT_EQ(host.CurrentLocation(), "its:" + file_ + "::/a.htm");

  // A second topic goes to the same window.
  EXPECT_EQ(viewer_.htmlHelp(&caller, reference, HH_HELP_CONTEXT, 6), first);
  ASSERT_TRUE(
      pagewait::until(host.browser(), "document.body && document.body.textContent == 'topic b'"));
  // Home goes back to the first topic (the window's home).
  ASSERT_TRUE(pagewait::loads(host, [&] { host.button(ID_HHBTN_HOME)->click(); }));
  EXPECT_EQ(host.CurrentLocation(), "its:" + file_ + "::/a.htm");

  // A topic the map does not hold, a type the file does not have (the
  // default place, beside the caller), and a missing file.
  EXPECT_EQ(viewer_.htmlHelp(&caller, reference, HH_HELP_CONTEXT, 99), 0);
  const std::intptr_t other = viewer_.htmlHelp(&caller, file_ + ">Other", HH_HELP_CONTEXT, 6);
  ASSERT_NE(other, 0);
  EXPECT_NE(other, first);
  EXPECT_EQ(viewer_.windowFor(file_, "Other")->geometry().size(),
            QSize(htmlhelp::QtHtmlHelp::kDefaultWidth, htmlhelp::QtHtmlHelp::kDefaultHeight));
  EXPECT_EQ(viewer_.htmlHelp(&caller, dir_ / "none.chm>DlgHelp", HH_HELP_CONTEXT, 5), 0);

  // Closed with its caller: the next request makes a new window.
  window->close();
  QTest::qWait(50);
  EXPECT_EQ(viewer_.windowFor(file_, "DlgHelp"), nullptr);
  EXPECT_NE(viewer_.htmlHelp(&caller, reference, HH_HELP_CONTEXT, 5), 0);
  EXPECT_FALSE(WinHelpA(&caller, "Wrenlow.hlp>DlgHelp", 1, 100));
}

TEST_F(HtmlHelpTest, ControlPopupShowsTheTextOfItsTopicBesideIt) {
  QWidget dialog;
  dialog.setGeometry(200, 200, 300, 200);
  auto* combo = new QComboBox(&dialog);
  combo->setEditable(true);
  combo->setProperty("controlId", 1030);
  combo->setGeometry(10, 10, 200, 24);
  auto* other = new QLineEdit(&dialog);
  other->setProperty("controlId", 1031);
  other->setGeometry(10, 50, 200, 24);
  dialog.show();
  const unsigned table[] = {1030, 101, 1021, 102, 0, 0};
  const std::string reference = "ms-its:" + file_ + "::/pop.txt";
  // The combo box's edit field has no id of its own: the combo box's topic.
  ASSERT_NE(viewer_.htmlHelp(combo->lineEdit(), reference, HH_TP_HELP_WM_HELP,
                             reinterpret_cast<std::uintptr_t>(table)),
            0);
  QLabel* popup = viewer_.popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->text(), QString::fromUtf8("源文件"));
  EXPECT_TRUE(popup->isVisible());
  const QPoint below = combo->mapToGlobal(QPoint(0, combo->height()));
  EXPECT_GE(popup->geometry().top(), below.y());
  EXPECT_LE(popup->geometry().top(), below.y() + 10);
  EXPECT_LE(popup->width(), htmlhelp::QtHtmlHelp::kPopupMaxWidth);
  popup->close();

  // A control the table does not name, a topic the file does not hold, no
  // text file: nothing is shown.
  EXPECT_EQ(viewer_.htmlHelp(other, reference, HH_TP_HELP_WM_HELP,
                             reinterpret_cast<std::uintptr_t>(table)),
            0);
  const unsigned missing[] = {1030, 555, 0, 0};
  EXPECT_EQ(viewer_.htmlHelp(combo, reference, HH_TP_HELP_WM_HELP,
                             reinterpret_cast<std::uintptr_t>(missing)),
            0);
  EXPECT_EQ(viewer_.htmlHelp(combo, file_ + "::/none.txt", HH_TP_HELP_WM_HELP,
                             reinterpret_cast<std::uintptr_t>(table)),
            0);
}

}  // namespace
