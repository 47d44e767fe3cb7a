#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velkaro {

bool LoadToolkitTranslations(QCoreApplication& app) {
  const QLocale language(QLocale::Turkish, QLocale::Turkey);
  auto* toolkit = new QTranslator(&app);
  if (!toolkit->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete toolkit;
    return false;
  }
  return QCoreApplication::installTranslator(toolkit);
}

}  // namespace velkaro
