// "Ayarlar > Dil": the choice written to velkaro.ini beside its other keys,
// shown again by every copy of the menu, and told in the window's language.

#include <QAction>
#include <QSettings>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

#include "CodePage.h"
#include "LanguageMenu.h"
#include "ProgramSettings.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

QAction& Item(const QMenu& menu, const char* name) {
  auto* action = menu.findChild<QAction*>(QLatin1String(name));
  if (action == nullptr) throw std::runtime_error(std::string("no item ") + name);
  return *action;
}

}  // namespace

class LanguageMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    Dir = std::make_unique<test::TTempDir>();
    Prompt = test::TRecordingPrompt{};
    Ini = Dir->Path() / kProgramSettingsFileName;
  }
  void cleanup() { SetLanguage(TLanguage::Turkish); }

  void choiceIsWrittenKeepingTheOtherKeysAndToldInTurkish() {
    std::ofstream(Ini, std::ios::binary) << "[velkaro]\nconnections=3\nsyncToAudio=1\n[other]\nkept=yes\n";
    TLanguageMenu menu(Ini, Prompt, "mm", nullptr);
    QCOMPARE(menu.title(), QStringLiteral("&Dil"));
    QCOMPARE(Item(menu, "mmItemTurkish").text(), QString::fromUtf8("&Türkçe"));
    QCOMPARE(Item(menu, "mmItemEnglish").text(), QStringLiteral("&English"));
    // Nothing in the file yet: the language in use.
    QVERIFY(Item(menu, "mmItemTurkish").isChecked());

    Item(menu, "mmItemEnglish").trigger();
    QCOMPARE(ReadLanguage(Ini), TLanguage::English);
    QCOMPARE(ReadConnections(Ini), 3);
    QVERIFY(ReadDownloadOptions(Ini).SyncToAudio);
    QCOMPARE(QSettings(QString::fromStdString(Ini.string()), QSettings::IniFormat).value("other/kept").toString(),
             QStringLiteral("yes"));
    QVERIFY(Prompt.Errors.empty());
    QCOMPARE(Prompt.Informations.size(), 1U);
    // Code page 1254, as every box's text.
    QCOMPARE(Prompt.Informations[0],
             Utf8ToCp1254("Seçilen dil (English) Velkaro bir sonraki açılışında geçerli olur."));
    // The language in use stays until the next start.
    QCOMPARE(CurrentLanguage(), TLanguage::Turkish);
    QVERIFY(Item(menu, "mmItemEnglish").isChecked());
    QVERIFY(!Item(menu, "mmItemTurkish").isChecked());

    // Another copy (the tool bar's) shows the file's choice when it opens.
    TLanguageMenu other(Ini, Prompt, "btn", nullptr);
    QVERIFY(Item(other, "btnItemEnglish").isChecked());
    Item(other, "btnItemTurkish").trigger();
    QCOMPARE(ReadLanguage(Ini), TLanguage::Turkish);
    emit menu.aboutToShow();
    QVERIFY(Item(menu, "mmItemTurkish").isChecked());
  }

  void inEnglishTheMenuAndItsMessageAreEnglish() {
    SetLanguage(TLanguage::English);
    TLanguageMenu menu(Ini, Prompt, "mm", nullptr);
    QCOMPARE(menu.title(), QStringLiteral("&Language"));
    QCOMPARE(Item(menu, "mmItemTurkish").text(), QStringLiteral("&Turkish"));
    QVERIFY(Item(menu, "mmItemEnglish").isChecked());
    Item(menu, "mmItemTurkish").trigger();
    QCOMPARE(ReadLanguage(Ini), TLanguage::Turkish);
    QCOMPARE(Prompt.Informations.at(0), std::string("The chosen language (Turkish) applies the next time Velkaro starts."));
  }

  void aFileItCannotWriteIsReportedAndTheCheckStays() {
    // A folder where the file should be fails even for root.
    std::filesystem::create_directory(Ini);
    TLanguageMenu menu(Ini, Prompt, "mm", nullptr);
    Item(menu, "mmItemEnglish").trigger();
    QCOMPARE(Prompt.Errors.size(), 1U);
    QVERIFY(Prompt.Errors[0].find(Utf8ToCp1254(" yazılamıyor.")) != std::string::npos);
    QVERIFY(Prompt.Informations.empty());
    QVERIFY(Item(menu, "mmItemTurkish").isChecked());
  }

 private:
  std::unique_ptr<test::TTempDir> Dir;
  test::TRecordingPrompt Prompt;
  std::filesystem::path Ini;
};

}  // namespace velkaro

QTEST_MAIN(velkaro::LanguageMenuTest)
#include "LanguageMenuTest.moc"
