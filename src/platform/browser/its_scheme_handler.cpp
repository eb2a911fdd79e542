#include "platform/browser/its_scheme_handler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

#include "platform/browser/help_file_source.h"
#include "platform/browser/help_origins.h"
#include "platform/browser/page_types.h"

namespace browser {

bool isOriginUrl(const QUrl& url) { return url.scheme() == QLatin1String(kOriginScheme); }

std::optional<ItsAddress> itsAddressOf(const QUrl& url) {
  const QString scheme = url.scheme();
  if (isOriginUrl(url)) {
    const auto file = helpFileOfHost(url.host().toStdString());
    if (!file) return std::nullopt;
    QString path = url.path(QUrl::FullyDecoded);
    if (path.isEmpty()) path = QStringLiteral("/");
    // The file's own path may hold "::": only the internal path is split.
    auto address = splitItsPath("f::" + path.toStdString());
    if (address) address->helpFile = *file;
    return address;
  }
  if (!isItsScheme(scheme.toStdString())) return std::nullopt;
  QString path = url.path(QUrl::FullyDecoded);
  if (scheme == QLatin1String("mk")) {
    const QLatin1String store("@MSITStore:");
    if (!path.startsWith(store, Qt::CaseInsensitive)) return std::nullopt;
    path = path.mid(store.size());
  }
  return splitItsPath(path.toStdString());
}

QUrl originUrl(const std::string& helpFile, const std::string& internalPath,
               const QString& fragment) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kOriginScheme));
  url.setHost(QString::fromStdString(originHost(helpFile)));
  url.setPath(QString::fromStdString(internalPath), QUrl::DecodedMode);
  if (!fragment.isEmpty()) url.setFragment(fragment, QUrl::DecodedMode);
  return url;
}

std::optional<QUrl> originUrlOfLink(const QUrl& url, const std::string& fromFile) {
  if (isOriginUrl(url)) return url;
  const auto address = itsAddressOf(url);
  if (!address) return std::nullopt;
  const std::string file = resolveLinkedHelpFile(address->helpFile, fromFile);
  if (file.empty()) return std::nullopt;
  return originUrl(file, address->internalPath,
                   url.hasFragment() ? url.fragment(QUrl::FullyDecoded) : QString());
}

std::string helpFileOfOrigin(const QUrl& url) {
  if (!isOriginUrl(url)) return {};
  return helpFileOfHost(url.host().toStdString()).value_or(std::string());
}

std::string displayAddress(const QUrl& url) {
  if (isOriginUrl(url)) {
    if (const auto address = itsAddressOf(url)) {
      std::string text = makeItsUrl(address->helpFile, address->internalPath);
      if (url.hasFragment()) text += "#" + url.fragment(QUrl::FullyDecoded).toStdString();
      return text;
    }
  }
  return QUrl::fromPercentEncoding(url.toEncoded()).toStdString();
}

void ItsSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  if (job->requestMethod() != "GET") {
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
    return;
  }
  const QUrl url = job->requestUrl();
  if (!isOriginUrl(url)) {
    // An address by file name: to the file's own origin. A relative name
    // is looked for beside the file of the page that asked.
    const auto target = originUrlOfLink(url, helpFileOfOrigin(job->initiator()));
    if (!target) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    job->redirect(*target);
    return;
  }
  const auto address = itsAddressOf(url);
  if (!address) {
    job->fail(QWebEngineUrlRequestJob::UrlInvalid);
    return;
  }
  PageBytes page;
  switch (HelpFileSource::instance().read(address->helpFile, address->internalPath, page)) {
    case ReadStatus::Ok:
      break;
    case ReadStatus::NoHelpFile:
    case ReadStatus::NotFound:
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    case ReadStatus::TooLarge:
      job->fail(QWebEngineUrlRequestJob::RequestDenied);
      return;
    case ReadStatus::ReadError:
      job->fail(QWebEngineUrlRequestJob::RequestFailed);
      return;
  }
  const std::string type = contentTypeFor(address->internalPath, page.bytes, page.codePage);
  auto* buffer = new QBuffer(job);
  buffer->setData(QByteArray(page.bytes.data(), static_cast<qsizetype>(page.bytes.size())));
  buffer->open(QIODevice::ReadOnly);
  job->reply(QByteArray::fromStdString(type), buffer);
}

void RefusingSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  job->fail(QWebEngineUrlRequestJob::RequestDenied);
}

}  // namespace browser
