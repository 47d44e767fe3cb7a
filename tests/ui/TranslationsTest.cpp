// Qt's own texts in the window's language: the standard buttons and the file
// dialogs speak Turkish once the toolkit's catalogue is loaded.

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "Translations.h"
#include "UserText.h"

namespace velkaro {

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  // Runs first: a catalogue once loaded stays.
  void toolkitTextsStayEnglishInEnglish() {
    SetLanguage(TLanguage::English);
    QVERIFY(!LoadToolkitTranslations(*QCoreApplication::instance()));
    SetLanguage(TLanguage::Turkish);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Velkaro"), QStringLiteral("?"), QMessageBox::Yes);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
  }

  void toolkitTextsAreTurkish() {
    QVERIFY(LoadToolkitTranslations(*QCoreApplication::instance()));

    QMessageBox box(QMessageBox::Question, QStringLiteral("Velkaro"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Evet"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Hayır"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("İptal"));

    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn != nullptr);
    QCOMPARE(lookIn->text(), QStringLiteral("Arama konumu:"));
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::TranslationsTest)
#include "TranslationsTest.moc"
