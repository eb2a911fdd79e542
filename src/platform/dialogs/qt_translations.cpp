#include "platform/dialogs/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace dlg {

bool installQtTranslations() {
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
  // Dates and file types in the pickers' lists follow the default locale.
  QLocale::setDefault(chinese);
  bool loaded = false;
  // qtbase holds the widgets' and the print dialog's texts.
  for (const char* catalog : {"qtbase", "qtwebengine"}) {
    auto* translator = new QTranslator(app);
    if (translator->load(chinese, QLatin1String(catalog), QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator)) {
      loaded = loaded || QLatin1String(catalog) == QLatin1String("qtbase");
    } else {
      delete translator;
    }
  }
  return loaded;
}

}  // namespace dlg
