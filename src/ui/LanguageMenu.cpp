#include "LanguageMenu.h"

#include <QActionGroup>

#include <utility>

#include "CodePage.h"
#include "EngineText.h"
#include "FormDialog.h"
#include "ProgramSettings.h"
#include "ProgramSettingsWriter.h"

namespace velkaro {

namespace {

// A language is named in the user's language, except English, which is named
// in English whatever the window's language, so that one who reads no
// Turkish finds it.
const char* NameOf(TLanguage language) { return language == TLanguage::English ? "English" : Tr("Türkçe"); }

}  // namespace

TLanguageMenu::TLanguageMenu(std::filesystem::path settingsFile, IUserPrompt& prompt, const char* name,
                             QWidget* parent)
    : QMenu(TrQ("&Dil"), parent), File_(std::move(settingsFile)), Prompt_(prompt) {
  const QString prefix = QString::fromLatin1(name);
  setObjectName(prefix + QStringLiteral("Language"));
  auto* group = new QActionGroup(this);
  const auto item = [&](TLanguage language, const QString& objectName) {
    // Each reached from the keyboard by its name's first letter.
    QAction* action = addAction(QStringLiteral("&") + QString::fromUtf8(NameOf(language)));
    action->setObjectName(prefix + objectName);
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, language] { Choose(language); });
    return action;
  };
  Turkish_ = item(TLanguage::Turkish, QStringLiteral("ItemTurkish"));
  English_ = item(TLanguage::English, QStringLiteral("ItemEnglish"));
  connect(this, &QMenu::aboutToShow, this, &TLanguageMenu::ShowChosen);
  ShowChosen();
}

void TLanguageMenu::ShowChosen() {
  const TLanguage chosen = ReadLanguage(File_).value_or(CurrentLanguage());
  (chosen == TLanguage::English ? English_ : Turkish_)->setChecked(true);
}

void TLanguageMenu::Choose(TLanguage language) {
  if (!WriteProgramSettings(File_, {{kLanguageKey, QString::fromLatin1(LanguageCode(language))}})) {
    Prompt_.ShowError(CannotWriteMessage(File_));
    ShowChosen();
    return;
  }
  Prompt_.ShowInformation(
      Utf8ToCp1254(FillIn(Tr("Seçilen dil (%1) Velkaro bir sonraki açılışında geçerli olur."), {NameOf(language)})));
}

}  // namespace velkaro
