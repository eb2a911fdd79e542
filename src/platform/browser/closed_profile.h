#pragma once
// The browser profile every help page and report page runs in. Pages come
// from files the user did not write, so the profile is closed: its:,
// ms-its: and mk:@MSITStore: addresses are served from the help files
// themselves; file: addresses only inside the program's private temporary
// folder (the report pages); nothing reaches the network or other local
// files; downloads are refused and no page opens a window of its own.
// Script runs, because help pages use it.
#include <QString>
#include <QUrl>

class QWebEngineProfile;

namespace browser {

// Link schemes that are never loaded: hosts cancel them in their
// before-navigate hook (the training-card links of the program's help).
inline constexpr const char* kLinkSchemes[] = {"corrie", "tamblin"};

// Registers the schemes above with the web engine and adds the engine
// switch that keeps help pages in one renderer process (appended to those
// the environment sets). Must run before the QApplication is constructed
// (main and the test programs call it first).
void registerSchemes();

// The profile (made on first use, owned by the application object).
QWebEngineProfile* closedProfile();

// Whether the profile lets a request for url go out, for a page whose top
// document is firstParty. Navigations (isNavigation) may move between help
// files; a resource of an its: page must come from the same help file.
bool requestAllowed(const QUrl& url, const QUrl& firstParty, bool isNavigation);

// The folder whose file: pages the profile serves (the private temporary
// folder; tests may point it elsewhere). Empty: no file: page at all.
QString reportFolder();
void setReportFolder(const QString& folder);

}  // namespace browser
