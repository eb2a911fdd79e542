#include "platform/browser/its_scheme_handler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

#include "platform/browser/help_file_source.h"
#include "platform/browser/page_types.h"

namespace browser {

std::optional<ItsAddress> itsAddressOf(const QUrl& url) {
  const QString scheme = url.scheme();
  if (!isItsScheme(scheme.toStdString())) return std::nullopt;
  QString path = url.path(QUrl::FullyDecoded);
  if (scheme == QLatin1String("mk")) {
    const QLatin1String store("@MSITStore:");
    if (!path.startsWith(store, Qt::CaseInsensitive)) return std::nullopt;
    path = path.mid(store.size());
  }
  return splitItsPath(path.toStdString());
}

void ItsSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  if (job->requestMethod() != "GET") {
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
    return;
  }
  const auto address = itsAddressOf(job->requestUrl());
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
