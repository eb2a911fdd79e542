// The help-page host on a real web view: pages, style sheets, images and
// scripts served from a help file through its:, charsets, the tool bar, topic
// navigation, training-card links, and the closed profile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <fstream>

#include "platform/browser/closed_profile.h"
#include "platform/browser/help_file_source.h"
#include "platform/browser/hh_pane_ctrl.h"
#include "platform/browser/tcard_event.h"
#include "platform/browser/viewer_hh_ctrl.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/platform/browser/browser_page_wait.h"
#include "tests/platform/browser/help_file_builder.h"

using pagewait::eval;
using pagewait::loads;
using pagewait::until;

namespace {

// "中文页面" in GBK.
const std::string kGbkText = "\xD6\xD0\xCE\xC4\xD2\xB3\xC3\xE6";
// A 2 × 1 GIF.
const std::string kGif(
    "GIF89a\x02\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,"
    "\x00\x00\x00\x00\x02\x00\x01\x00\x00\x02\x02\x04\x0a\x00;",
    52);

// A window that records the training-card messages it receives.
class CardSink : public QWidget {
 public:
  struct Card {
    int wParam;
    bool hasText;
    std::intptr_t number;
    std::string text;
  };
  std::vector<Card> cards;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == browser::kTCardEventType) {
      auto* card = static_cast<browser::TCardEvent*>(e);
      cards.push_back({card->wParam(), card->hasText(), card->hasText() ? 0 : card->lParam(),
                       card->hasText() ? std::string(reinterpret_cast<const char*>(card->lParam()))
                                       : std::string()});
      return true;
    }
    return QWidget::event(e);
  }
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    helpfile::Spec spec;
    spec.lcid = 0x409;  // the GB2312 font says otherwise
    spec.fontCharset = "134";
    spec.files["/d/page.htm"] =
        "<html><head><link rel=stylesheet href='../s.css'><script src='x.js'></script></head>"
        "<body><p id=t>" +
        kGbkText +
        "</p><img id=i src='../i.gif'>"
        "<div id=version></div><div id=hideme1>a</div><div id=keep>b</div></body></html>";
    spec.files["/s.css"] = "p { color: rgb(1, 2, 3); }";
    spec.files["/d/x.js"] = "document.title = 'from script';";
    spec.files["/i.gif"] = kGif;
    spec.files["/home.htm"] = "<html><body>home</body></html>";
    spec.files["/utf8.htm"] =
        "<html><head><meta charset='utf-8'></head><body><p id=t>\xE4\xB8\xAD</p></body></html>";
    spec.topics = {{402, "/home.htm"}, {7, "d/page.htm"}};
    ASSERT_TRUE(helpfile::write(dir_ / "help.chm", spec));
    file_ = dir_ / "help.chm";
    window_.resize(640, 480);
    window_.show();
  }
  void TearDown() override { browser::HelpFileSource::instance().closeAll(); }

  crafted::TempDir dir_;
  std::string file_;
  CardSink window_;
};

QString text(QWebEngineView* view, const char* id) {
  return eval(view, QStringLiteral("document.getElementById('%1').textContent").arg(id)).toString();
}

TEST_F(BrowserTest, PagesComeFromTheHelpFileWithTheirResources) {
  CHHCtrl host;
  ASSERT_TRUE(host.Create(&window_, QRect(0, 0, 640, 480), 0, HHHome::none(), false));
  EXPECT_EQ(host.toolbar(), nullptr);
  EXPECT_EQ(host.browser()->geometry(), QRect(0, 0, 640, 480));
  EXPECT_EQ(host.NavigateInternal("/d/page.htm"), itss::STG_E_FILENOTFOUND);  // no help file yet
  ASSERT_TRUE(host.SetHelpFile(file_));
  ASSERT_TRUE(loads(host, [&] { host.NavigateInternal("/d/page.htm"); }));
  QWebEngineView* view = host.browser();
  // The LCID says 1252, the font says GB2312: the page reads as GBK.
  EXPECT_EQ(text(view, "t"), QString::fromUtf8("中文页面"));
  EXPECT_EQ(view->title(), QStringLiteral("from script"));
  EXPECT_EQ(eval(view, "getComputedStyle(document.getElementById('t')).color").toString(),
            QStringLiteral("rgb(1, 2, 3)"));
  EXPECT_TRUE(until(view, "document.getElementById('i').naturalWidth == 2"));

  // A declared charset is the page's own; the other spellings of the scheme.
  ASSERT_TRUE(loads(host, [&] { host.Navigate("ms-its:" + file_ + "::/utf8.htm"); }));
  EXPECT_EQ(text(view, "t"), QString::fromUtf8("中"));
  ASSERT_TRUE(loads(host, [&] { host.Navigate("mk:@MSITStore:" + file_ + "::/home.htm"); }));
  EXPECT_EQ(eval(view, "document.body.textContent").toString(), QStringLiteral("home"));

  // Topics through #IVB, with or without a leading "/" in the map.
  ASSERT_TRUE(loads(host, [&] { EXPECT_EQ(host.NavigateTopic(7), itss::S_OK); }));
  EXPECT_EQ(view->title(), QStringLiteral("from script"));
  EXPECT_NE(host.NavigateTopic(999), itss::S_OK);
}

TEST_F(BrowserTest, ToolBarButtonsFollowMaskAndHome) {
  CViewerHHCtrl viewer;
  ASSERT_TRUE(viewer.Create(&window_, QRect(0, 0, 600, 400), 0x2F, HHHome::url(""), true));
  std::vector<int> ids;
  for (auto* b : viewer.toolbar()->findChildren<QToolButton*>())
    ids.push_back(b->property("controlId").toInt());
  EXPECT_EQ(ids, (std::vector<int>{ID_HHBTN_HOME, ID_HHBTN_BACK, ID_HHBTN_FORWARD, ID_HHBTN_PRINT,
                                   ID_HHBTN_TEXT}));
  // 43 pixels, or what the captions in the dialog font need; the page below.
  const int barHeight = viewer.toolbar()->height();
  EXPECT_GE(barHeight, CHHCtrl::kToolbarHeightCaptions);
  for (auto* b : viewer.toolbar()->findChildren<QToolButton*>())
    EXPECT_GE(barHeight, b->sizeHint().height());
  EXPECT_EQ(viewer.browser()->geometry().top(), barHeight + 2);
  EXPECT_EQ(viewer.button(ID_HHBTN_BACK)->text(), QString::fromUtf8("后退"));

  CHHCtrl plain;
  ASSERT_TRUE(plain.Create(&window_, QRect(0, 0, 600, 400), 0x2F, HHHome::none(), false));
  EXPECT_EQ(plain.button(ID_HHBTN_HOME), nullptr);  // no home given
  EXPECT_EQ(plain.button(ID_HHBTN_TEXT), nullptr);  // beyond the last button of a plain host
  EXPECT_EQ(plain.toolbar()->height(), CHHCtrl::kToolbarHeightPlain);
  plain.Move(QRect(10, 10, 300, 200));
  EXPECT_EQ(plain.browser()->geometry(), QRect(10, 10 + 28 + 2, 300, 200 - 30));

  // Home goes to the home topic; Back and Forward follow the history; the
  // viewer's Text button is on only for HTML inside a help file.
  CViewerHHCtrl pane;
  ASSERT_TRUE(pane.Create(&window_, QRect(0, 0, 600, 400), 0x27, HHHome::number(402), true));
  ASSERT_TRUE(pane.SetHelpFile(file_));
  ASSERT_TRUE(loads(pane, [&] { pane.NavigateInternal("/d/page.htm"); }));
  EXPECT_TRUE(pane.button(ID_HHBTN_TEXT)->isEnabled());
  EXPECT_FALSE(pane.button(ID_HHBTN_BACK)->isEnabled());
  ASSERT_TRUE(loads(pane, [&] { pane.button(ID_HHBTN_HOME)->click(); }));
  EXPECT_EQ(pane.CurrentLocation(), "its:" + file_ + "::/home.htm");
  EXPECT_TRUE(pane.button(ID_HHBTN_BACK)->isEnabled());
  ASSERT_TRUE(loads(pane, [&] { pane.button(ID_HHBTN_BACK)->click(); }));
  EXPECT_TRUE(pane.button(ID_HHBTN_FORWARD)->isEnabled());
  ASSERT_TRUE(loads(pane, [&] { pane.Navigate("about:blank"); }));
  EXPECT_FALSE(pane.button(ID_HHBTN_TEXT)->isEnabled());
}

TEST_F(BrowserTest, TrainingCardLinks) {
  RecordingPrompter prompter;
  ScopedPrompter scope(prompter);
  CHHPaneCtrl pane;
  ASSERT_TRUE(pane.Create(&window_, QRect(0, 0, 600, 400), 0, HHHome::none(), false));
  ASSERT_TRUE(pane.SetHelpFile(file_));
  ASSERT_TRUE(loads(pane, [&] { pane.NavigateInternal("/home.htm"); }));
  const std::string home = pane.CurrentLocation();
  auto follow = [&](const char* link) {
    eval(pane.browser(), QStringLiteral("location.href = '%1'").arg(QString::fromUtf8(link)));
    QTest::qWait(300);
  };
  follow("Tamblin:TCard(5)");
  follow("Corrie:TCard(5, 7)");
  follow("Tamblin:TCard(5, settings)");
  ASSERT_EQ(window_.cards.size(), 3u);
  EXPECT_EQ(window_.cards[0].wParam, 5);
  EXPECT_EQ(window_.cards[0].number, 0);
  EXPECT_EQ(window_.cards[1].number, 7);
  EXPECT_TRUE(window_.cards[2].hasText);
  EXPECT_EQ(window_.cards[2].text, "settings");
  EXPECT_EQ(pane.CurrentLocation(), home);  // nothing shown in the browser

  follow("Tamblin:TCard");  // no "("
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, LoadStr(IDS_BAD_HELP_FILE));
  follow("Tamblin:Settings(5)");  // not TCard: cancelled, nothing else
  EXPECT_EQ(window_.cards.size(), 3u);
  EXPECT_EQ(prompter.count(), 1u);
  EXPECT_EQ(pane.CurrentLocation(), home);
}

TEST_F(BrowserTest, AboutPageBannerAndLinks) {
  CAboutHHCtrl about;
  ASSERT_TRUE(about.Create(&window_, QRect(0, 0, 600, 400), 0x18, HHHome::none(), true));
  ASSERT_TRUE(about.SetHelpFile(file_));
  ASSERT_TRUE(loads(about, [&] { about.NavigateInternal("/d/page.htm"); }));
  EXPECT_TRUE(until(about.browser(), QStringLiteral("document.getElementById('version').innerHTML"
                                                    ".indexOf('%1') >= 0")
                                         .arg(QString::fromUtf8(LoadStr(IDS_VERSION)))));
  EXPECT_EQ(eval(about.browser(), "document.querySelector('#version h2').align").toString(),
            QStringLiteral("center"));
  // "Corrie:" is not the about page's: the link navigates like any other.
  ASSERT_TRUE(loads(about, [&] { eval(about.browser(), "location.href = 'Corrie:TCard(10)'"); }));
  EXPECT_TRUE(window_.cards.empty());
  EXPECT_EQ(about.CurrentLocation().rfind("corrie:", 0), 0u) << about.CurrentLocation();
}

TEST_F(BrowserTest, PaneColoursAndHideById) {
  CHHPaneCtrl pane;
  pane.colourMode = CHHPaneCtrl::kButtonColours;
  ASSERT_TRUE(pane.Create(&window_, QRect(0, 0, 600, 400), 0, HHHome::none(), false));
  ASSERT_TRUE(pane.SetHelpFile(file_));
  ASSERT_TRUE(loads(pane, [&] { pane.NavigateInternal("/d/page.htm"); }));
  const auto [background, textColour] = pane.pageColours();
  EXPECT_EQ(background.size(), 7u);
  EXPECT_TRUE(until(pane.browser(), QStringLiteral("document.bgColor.toUpperCase() == '%1'")
                                        .arg(QString::fromStdString(background))));
  EXPECT_EQ(pane.HideById("hideme"), itss::S_OK);
  EXPECT_TRUE(until(pane.browser(), "document.getElementById('hideme1').style.display == 'none'"));
  EXPECT_EQ(eval(pane.browser(), "document.getElementById('keep').style.display").toString(), "");
}

// A local server that counts every connection made to it.
class CountingServer : public QTcpServer {
 public:
  int connections = 0;
  CountingServer() {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = nextPendingConnection()) {
        ++connections;
        s->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nSECRET-FROM-NETWORK");
        s->disconnectFromHost();
      }
    });
  }
};

TEST(BrowserSafety, HelpPagesReachNeitherNetworkNorLocalFiles) {
  CountingServer server;
  ASSERT_TRUE(server.isListening());
  crafted::TempDir dir;
  const std::string secret = dir / "secret.txt";
  std::ofstream(secret) << "SECRET-LOCAL-FILE";
  const QString http = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
  const QString page =
      QStringLiteral(
          "<html><body><img src='%1/image.gif'><div id=out></div>"
          "<iframe id=f src='file://%2'></iframe>"
          "<a id=blank target=_blank href='other.htm'>x</a>"
          "<script>"
          "var out = document.getElementById('out'); var done = 0;"
          "function note(k, v) { out.setAttribute('data-' + k, v); out.setAttribute('data-done', "
          "++done); }"
          "fetch('%1/fetch').then(r => r.text()).then(t => note('http', t), e => note('http', "
          "'blocked'));"
          "fetch('file://%2').then(r => r.text()).then(t => note('file', t), e => note('file', "
          "'blocked'));"
          "fetch('its:%3::/../secret.txt').then(r => r.text()).then(t => note('its', t), e => "
          "note('its', 'blocked'));"
          "try { var ws = new WebSocket('ws://127.0.0.1:%4/'); ws.onerror = () => note('ws', "
          "'blocked');"
          " ws.onmessage = m => note('ws', m.data); } catch (e) { note('ws', 'blocked'); }"
          "var w = window.open('other.htm'); note('open', w ? 'opened' : 'none');"
          "document.getElementById('blank').click();"
          "</script></body></html>")
          .arg(http, QString::fromStdString(secret), QString::fromStdString(dir / "help.chm"))
          .arg(server.serverPort());
  helpfile::Spec spec;
  spec.files["/page.htm"] = page.toStdString();
  spec.files["/other.htm"] = "<html><body>other</body></html>";
  ASSERT_TRUE(helpfile::write(dir / "help.chm", spec));

  QWidget window;
  window.resize(400, 300);
  window.show();
  auto visibleWindows = [] {
    int n = 0;
    for (QWindow* w : QGuiApplication::topLevelWindows()) n += w->isVisible();
    return n;
  };
  const int windowsBefore = visibleWindows();
  CHHCtrl host;
  ASSERT_TRUE(host.Create(&window, QRect(0, 0, 400, 300), 0, HHHome::none(), false));
  ASSERT_TRUE(host.SetHelpFile(dir / "help.chm"));
  ASSERT_TRUE(loads(host, [&] { host.NavigateInternal("/page.htm"); }));
  QWebEngineView* view = host.browser();
  until(view,
        "+document.getElementById('out') && "
        "document.getElementById('out').getAttribute('data-done') >= 4",
        5000);
  QTest::qWait(1000);
  const QString results = eval(view,
                               "var o = document.getElementById('out'); o ? "
                               "JSON.stringify(Object.assign({}, o.dataset)) : ''")
                              .toString();
  EXPECT_FALSE(results.contains(QStringLiteral("SECRET"))) << results.toStdString();
  for (const char* key : {"http", "file", "its", "ws"})
    EXPECT_TRUE(results.contains(QStringLiteral("\"%1\":\"blocked\"").arg(key))) << key;
  EXPECT_TRUE(results.contains(QStringLiteral("\"open\":\"none\""))) << results.toStdString();
  EXPECT_EQ(server.connections, 0);
  EXPECT_EQ(visibleWindows(), windowsBefore);
  // The frame that asked for the local file shows nothing of it.
  EXPECT_FALSE(eval(view,
                    "try { document.getElementById('f').contentDocument.body.textContent }"
                    " catch (e) { '' }")
                   .toString()
                   .contains(QStringLiteral("SECRET")));

  // Report pages in the private folder are served; files elsewhere are not.
  browser::setReportFolder(QStringLiteral("/nonexistent-folder"));
  loads(
      host, [&] { host.Navigate(secret); }, 3000);
  EXPECT_FALSE(
      eval(view, "document.body ? document.body.textContent : ''").toString().contains("SECRET"));
  browser::setReportFolder(QString::fromStdString(dir.path()));
  ASSERT_TRUE(loads(host, [&] { host.Navigate(secret); }));
  EXPECT_EQ(eval(view, "document.body.textContent").toString(),
            QStringLiteral("SECRET-LOCAL-FILE"));
  browser::setReportFolder(QString());
  browser::HelpFileSource::instance().closeAll();
}

}  // namespace
