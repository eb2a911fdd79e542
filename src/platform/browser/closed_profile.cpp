#include "platform/browser/closed_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlScheme>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/browser/help_origins.h"
#include "platform/browser/its_scheme_handler.h"
#include "platform/browser/its_url.h"
#include "platform/system/sysdirs.h"

namespace browser {

const EngineSwitch kEngineSwitchList[] = {
    // Help pages have no host of their own in the address bar's sense, so a
    // navigation the host starts (the contents tree, a topic number) would
    // move to a fresh renderer process each time, which costs more than
    // serving the whole page and loses the renderer's cache of the file's
    // style sheets and scripts. With one process per site, the pages of one
    // help file share one renderer and the report pages another.
    {"--process-per-site", "one renderer per help file"},
    // WebRTC opens UDP and TCP sockets of its own, which the request filter
    // never sees: with this policy no socket is made but through a proxy,
    // and the profile has none, so no candidate (host, STUN, mDNS or relay)
    // is gathered and no connectivity check leaves the machine. The
    // engine's own setting offers only the public-interface policy, which
    // still sends UDP; the switch wins over it.
    {"--force-webrtc-ip-handling-policy=disable_non_proxied_udp", "no WebRTC over UDP"},
    // That policy still lets WebRTC connect over TCP (ICE-TCP towards a
    // page's remote candidates, TURN over TCP), through the proxy when there
    // is one. So there is one that can never be reached: port 1 on the
    // loopback interface, which only the system could open, refuses every
    // connection before a byte is sent. Loopback addresses are not exempted
    // from it either. Pages themselves never use the proxy: the request
    // filter refuses every web address, and help files are served in
    // process.
    {"--proxy-server=socks5://127.0.0.1:1", "WebRTC over TCP goes nowhere"},
    {"--proxy-bypass-list=<-loopback>", "not even to the loopback interface"},
};
const std::size_t kEngineSwitchCount = std::size(kEngineSwitchList);

namespace {

struct ProfileState {
  QWebEngineProfile* profile = nullptr;
  QString reportFolder;
  bool reportFolderSet = false;
  std::optional<QByteArray> startSwitches;  // the variable before we added to it
  std::function<void(const QUrl&)> opener;
};

ProfileState& state() {
  static ProfileState s;
  return s;
}

bool insideReportFolder(const QUrl& url) {
  const QString folder = reportFolder();
  if (folder.isEmpty() || !url.isLocalFile()) return false;
  // The real path: a symbolic link in the folder must not lead out of it.
  const QString file = QFileInfo(url.toLocalFile()).canonicalFilePath();
  const QString root = QFileInfo(folder).canonicalFilePath();
  return !file.isEmpty() && !root.isEmpty() && file.startsWith(root + QLatin1Char('/'));
}

class Gatekeeper : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    RequestKind kind = RequestKind::Resource;
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
      kind = RequestKind::Page;
    else if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeSubFrame)
      kind = RequestKind::Frame;
    if (!requestAllowed(info.requestUrl(), info.firstPartyUrl(), kind)) info.block(true);
  }
};

// The engine reads its switches from this variable when it first starts.
constexpr const char* kEngineSwitches = "QTWEBENGINE_CHROMIUM_FLAGS";

void addEngineSwitch(const char* name) {
  const char* current = std::getenv(kEngineSwitches);
  std::string value = current ? current : "";
  for (std::size_t at = value.find(name); at != std::string::npos; at = value.find(name, at + 1)) {
    const std::size_t end = at + std::strlen(name);
    if ((at == 0 || value[at - 1] == ' ') && (end == value.size() || value[end] == ' ')) return;
  }
  if (!value.empty()) value += ' ';
  value += name;
  setenv(kEngineSwitches, value.c_str(), 1);
}

// Run in every document's own world before any script of the page: the
// constructors of WebRTC and of the other socket interfaces are taken away
// for good, in the page's window and in every same-origin frame window the
// page reaches through a frame element (a frame made by script has a first
// document in which no script of ours has run). The engine switches keep
// WebRTC from reaching anything even where a page gets hold of a
// constructor some other way.
constexpr const char* kNoSocketsScript = R"JS(
(function () {
  var names = ['RTCPeerConnection', 'webkitRTCPeerConnection', 'RTCDataChannel',
               'RTCSessionDescription', 'RTCIceCandidate', 'RTCIceTransport',
               'RTCDtlsTransport', 'RTCSctpTransport', 'RTCRtpSender', 'RTCRtpReceiver',
               'RTCRtpTransceiver', 'RTCCertificate', 'WebSocket', 'WebTransport'];
  function scrub(w) {
    for (var i = 0; i < names.length; i++) {
      try {
        Object.defineProperty(w, names[i], {value: undefined, writable: false, configurable: false});
      } catch (e) {}
    }
  }
  scrub(window);
  [window.HTMLIFrameElement, window.HTMLFrameElement, window.HTMLObjectElement].forEach(
      function (type) {
        if (!type) return;
        var win = Object.getOwnPropertyDescriptor(type.prototype, 'contentWindow');
        var doc = Object.getOwnPropertyDescriptor(type.prototype, 'contentDocument');
        if (win && win.get) {
          Object.defineProperty(type.prototype, 'contentWindow', {
            configurable: false, enumerable: win.enumerable,
            get: function () { var w = win.get.call(this); if (w) scrub(w); return w; }
          });
        }
        if (doc && doc.get) {
          Object.defineProperty(type.prototype, 'contentDocument', {
            configurable: false, enumerable: doc.enumerable,
            get: function () {
              var d = doc.get.call(this);
              if (d && d.defaultView) scrub(d.defaultView);
              return d;
            }
          });
        }
      });
})();
)JS";

void addPageWorldScript(QWebEngineProfile* profile) {
  QWebEngineScript script;
  script.setName(QStringLiteral("wrenlow-no-sockets"));
  script.setSourceCode(QString::fromLatin1(kNoSocketsScript));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(true);
  profile->scripts()->insert(script);
}

}  // namespace

void registerSchemes() {
  static bool done = false;
  if (done) return;
  done = true;
  ProfileState& s = state();
  if (const char* start = std::getenv(kEngineSwitches)) s.startSwitches = QByteArray(start);
  for (const EngineSwitch& sw : kEngineSwitchList) addEngineSwitch(sw.name);
  // The per-file origins: a host per help file, fetch and XMLHttpRequest
  // within the page's own file (the engine's cross-origin rules keep them
  // from any other, and the request filter refuses them anyway).
  {
    QWebEngineUrlScheme scheme(kOriginScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setDefaultPort(QWebEngineUrlScheme::PortUnspecified);
    scheme.setFlags(QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
  }
  // The spellings by file name only redirect to an origin.
  for (const char* name : kItsSchemes) {
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
  }
  for (const char* name : kLinkSchemes) {
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
  }
}

QString reportFolder() {
  ProfileState& s = state();
  if (!s.reportFolderSet) {
    s.reportFolder = QString::fromStdString(sysdirs::tempFolder());
    s.reportFolderSet = true;
  }
  return s.reportFolder;
}

void setReportFolder(const QString& folder) {
  state().reportFolder = folder;
  state().reportFolderSet = true;
}

bool requestAllowed(const QUrl& url, const QUrl& firstParty, RequestKind kind) {
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("about") || scheme == QLatin1String("data") ||
      scheme == QLatin1String("blob"))
    return true;
  // Report pages: shown as pages, and what they load beside them.
  if (scheme == QLatin1String("file"))
    return insideReportFolder(url) && (kind == RequestKind::Page || firstParty.isLocalFile());
  for (const char* link : kLinkSchemes)
    if (scheme == QLatin1String(link)) return kind != RequestKind::Resource;
  const bool origin = isOriginUrl(url);
  if (!origin && !isItsScheme(scheme.toStdString())) return false;
  // A page may be any help file's.
  if (kind == RequestKind::Page) return true;
  // Frames and resources only of the top page's own help file.
  if (!isOriginUrl(firstParty)) return false;
  if (origin) return url.host() == firstParty.host();
  const std::string pageFile = helpFileOfOrigin(firstParty);
  const auto address = itsAddressOf(url);
  if (pageFile.empty() || !address) return false;
  const std::string file = resolveLinkedHelpFile(address->helpFile, pageFile);
  return !file.empty() && canonicalHelpFile(file) == pageFile;
}

bool isWebAddress(const QUrl& url) {
  return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

void setDesktopBrowserOpener(std::function<void(const QUrl&)> opener) {
  state().opener = std::move(opener);
}

void openInDesktopBrowser(const QUrl& url) {
  ProfileState& s = state();
  if (!isWebAddress(url)) return;
  if (s.opener) {
    s.opener(url);
    return;
  }
  // A process of its own, which outlives ours; the engine switches added
  // for our pages are not the desktop browser's business.
  QProcess process;
  process.setProgram(QStringLiteral("xdg-open"));
  process.setArguments({QString::fromLatin1(url.toEncoded())});
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (s.startSwitches)
    environment.insert(QString::fromLatin1(kEngineSwitches),
                       QString::fromLocal8Bit(*s.startSwitches));
  else
    environment.remove(QString::fromLatin1(kEngineSwitches));
  process.setProcessEnvironment(environment);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.startDetached();
}

QWebEngineProfile* closedProfile() {
  ProfileState& s = state();
  if (s.profile) return s.profile;
  registerSchemes();
  // No storage name: an off-the-record profile that writes nothing to disk.
  s.profile = new QWebEngineProfile(QCoreApplication::instance());
  s.profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  s.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  s.profile->setSpellCheckEnabled(false);
  s.profile->setUrlRequestInterceptor(new Gatekeeper(s.profile));
  auto* handler = new ItsSchemeHandler(s.profile);
  s.profile->installUrlSchemeHandler(kOriginScheme, handler);
  for (const char* name : kItsSchemes) s.profile->installUrlSchemeHandler(name, handler);
  auto* refuser = new RefusingSchemeHandler(s.profile);
  for (const char* name : kLinkSchemes) s.profile->installUrlSchemeHandler(name, refuser);
  QObject::connect(s.profile, &QWebEngineProfile::downloadRequested,
                   [](QWebEngineDownloadRequest* download) { download->cancel(); });
  addPageWorldScript(s.profile);

  QWebEngineSettings* settings = s.profile->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
  settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
  settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
  settings->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
  settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
  settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
  settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
  settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
  settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
  return s.profile;
}

}  // namespace browser
