#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "UserText.h"

namespace velkaro {

bool LoadToolkitTranslations(QCoreApplication& app) {
  if (CurrentLanguage() != TLanguage::Turkish) return false;
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
