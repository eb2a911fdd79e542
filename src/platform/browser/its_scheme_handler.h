#pragma once
// Serves its:, ms-its: and mk:@MSITStore: requests from the help files
// through the storage engine, with a MIME type from the file's extension and,
// for text that names no charset, the charset of the help file's code page.
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <optional>

#include "platform/browser/its_url.h"

namespace browser {

// The help file and internal path a URL of one of the three schemes names.
std::optional<ItsAddress> itsAddressOf(const QUrl& url);

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
