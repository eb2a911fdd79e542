#include "platform/browser/closed_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlScheme>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/browser/its_scheme_handler.h"
#include "platform/browser/its_url.h"
#include "platform/system/sysdirs.h"

namespace browser {
namespace {

struct ProfileState {
  QWebEngineProfile* profile = nullptr;
  QString reportFolder;
  bool reportFolderSet = false;
};

ProfileState& state() {
  static ProfileState s;
  return s;
}

// The help file an its: URL names, or "" for other URLs.
QString helpFileOf(const QUrl& url) {
  const auto address = itsAddressOf(url);
  return address ? QString::fromStdString(address->helpFile) : QString();
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
    const bool navigation =
        info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
        info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeSubFrame;
    if (!requestAllowed(info.requestUrl(), info.firstPartyUrl(), navigation)) info.block(true);
  }
};

// The engine reads its switches from this variable when it first starts.
constexpr const char* kEngineSwitches = "QTWEBENGINE_CHROMIUM_FLAGS";

// Help pages have no host, so the engine counts every its: address as a site
// of its own: a navigation the host starts (the contents tree, a topic
// number) would move to a fresh renderer process each time, which costs more
// than serving the whole page, and loses the renderer's cache of the file's
// style sheets and scripts. With one process per site, every help page shares
// one renderer and the report pages another.
constexpr const char* kProcessPerSite = "--process-per-site";

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

}  // namespace

void registerSchemes() {
  static bool done = false;
  if (done) return;
  done = true;
  addEngineSwitch(kProcessPerSite);
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

bool requestAllowed(const QUrl& url, const QUrl& firstParty, bool isNavigation) {
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("about") || scheme == QLatin1String("data") ||
      scheme == QLatin1String("blob"))
    return true;
  if (scheme == QLatin1String("file")) return insideReportFolder(url);
  for (const char* link : kLinkSchemes)
    if (scheme == QLatin1String(link)) return isNavigation;
  if (!isItsScheme(scheme.toStdString())) return false;
  if (isNavigation) return true;
  // A resource of an its: page comes from the page's own help file.
  const QString page = helpFileOf(firstParty);
  return page.isEmpty() || page == helpFileOf(url);
}

QWebEngineProfile* closedProfile() {
  ProfileState& s = state();
  if (s.profile) return s.profile;
  registerSchemes();
  // No storage name: an off-the-record profile that writes nothing to disk.
  s.profile = new QWebEngineProfile(QCoreApplication::instance());
  s.profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  s.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  s.profile->setUrlRequestInterceptor(new Gatekeeper(s.profile));
  auto* handler = new ItsSchemeHandler(s.profile);
  for (const char* name : kItsSchemes) s.profile->installUrlSchemeHandler(name, handler);
  auto* refuser = new RefusingSchemeHandler(s.profile);
  for (const char* name : kLinkSchemes) s.profile->installUrlSchemeHandler(name, refuser);
  QObject::connect(s.profile, &QWebEngineProfile::downloadRequested,
                   [](QWebEngineDownloadRequest* download) { download->cancel(); });

  QWebEngineSettings* settings = s.profile->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
  settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
  settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
  settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
  settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
  settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
  settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
  return s.profile;
}

}  // namespace browser
