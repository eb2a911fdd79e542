#pragma once
// Serves the pages of help files. A page is served only under its file's
// own origin (help_origins.h); an its:, ms-its: or mk:@MSITStore: address
// is answered with a redirect to that origin, so that links between help
// files still lead somewhere while no page shares an origin with another
// file's pages. Bytes come through the storage engine, with a MIME type
// from the file's extension and, for text that names no charset, the
// charset of the help file's code page.
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <optional>

#include "platform/browser/its_url.h"

namespace browser {

// The help file and internal path an address names: for the three its:
// spellings the file as written, for a per-file origin the canonical file
// its host stands for. Nothing for other addresses and unknown hosts.
std::optional<ItsAddress> itsAddressOf(const QUrl& url);

// Whether url is one of the per-file origins' addresses.
bool isOriginUrl(const QUrl& url);

// The per-file address of a page: origin of helpFile, internal path, and
// the fragment when there is one.
QUrl originUrl(const std::string& helpFile, const std::string& internalPath,
               const QString& fragment = {});

// The per-file address that an its:, ms-its: or mk:@MSITStore: address
// leads to when a page of fromFile ("" for none) follows it (a relative
// help file name is looked for beside fromFile). Nothing when the address
// names no file that can be found.
std::optional<QUrl> originUrlOfLink(const QUrl& url, const std::string& fromFile);

// The help file whose origin url belongs to ("" for any other address).
std::string helpFileOfOrigin(const QUrl& url);

// An address as the hosts and the user see it: a per-file address as
// "its:" + help file + "::" + internal path (+ "#" fragment), any other
// with every escape decoded.
std::string displayAddress(const QUrl& url);

class ItsSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  void requestStarted(QWebEngineUrlRequestJob* job) override;
};

// Fails every request: for link schemes whose navigations the hosts cancel.
class RefusingSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  void requestStarted(QWebEngineUrlRequestJob* job) override;
};

}  // namespace browser
