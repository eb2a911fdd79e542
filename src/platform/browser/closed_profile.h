#pragma once
// The browser profile every help page and report page runs in. Pages come
// from files the user did not write, so the profile is closed: help pages
// are served from the help files themselves, each file under an origin of
// its own (its:, ms-its: and mk:@MSITStore: addresses lead there); file:
// addresses only inside the program's private temporary folder (the report
// pages); nothing reaches the network or other local files, WebRTC
// included; downloads are refused and no page opens a window of its own.
// Script runs, because help pages use it. An http: or https: link the user
// clicks opens in the desktop's own browser, never in ours.
#include <QString>
#include <QUrl>
#include <functional>

class QWebEngineProfile;

namespace browser {

// Link schemes that are never loaded: hosts cancel them in their
// before-navigate hook (the training-card links of the program's help).
inline constexpr const char* kLinkSchemes[] = {"corrie", "tamblin"};

// Registers the schemes above with the web engine and adds the engine
// switches of the profile (appended to those the environment sets): help
// pages of one file in one renderer process, and WebRTC without any socket
// of its own. Must run before the QApplication is constructed (main and the
// test programs call it first).
void registerSchemes();

// The engine switches registerSchemes adds, each with why.
struct EngineSwitch {
  const char* name;
  const char* why;
};
extern const EngineSwitch kEngineSwitchList[];
extern const std::size_t kEngineSwitchCount;

// The profile (made on first use, owned by the application object).
QWebEngineProfile* closedProfile();

// What a request is for: the top document of a view, a frame's document,
// or anything a document loads (style sheets, images, scripts, fetch).
enum class RequestKind { Page, Frame, Resource };

// Whether the profile lets a request for url go out, for a view whose top
// document is firstParty. A page may move between help files; a frame or a
// resource of a help page must come from the page's own help file, and
// report pages load nothing from any help file.
bool requestAllowed(const QUrl& url, const QUrl& firstParty, RequestKind kind);

// Whether url is an address the desktop's browser opens (http:, https:).
bool isWebAddress(const QUrl& url);

// Opens url in the desktop's browser as a process of its own, with the
// environment the program started with (without the engine switches added
// here). Tests replace the opener.
void openInDesktopBrowser(const QUrl& url);
void setDesktopBrowserOpener(std::function<void(const QUrl&)> opener);

// The folder whose file: pages the profile serves (the private temporary
// folder; tests may point it elsewhere). Empty: no file: page at all.
QString reportFolder();
void setReportFolder(const QString& folder);

}  // namespace browser
