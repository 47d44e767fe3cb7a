#pragma once

#include <QMenu>

#include <filesystem>

#include "UserPrompt.h"
#include "UserText.h"

namespace velkaro {

// "Dil" under "Ayarlar": the language the programs start in, one checkable
// item per language, written to velkaro.ini's `language` with its other keys
// kept. Texts are read at start, so the choice applies at the next one, and
// the menu says so. Each time it opens it shows what the file holds (or, with
// nothing there, the language in use), so that several copies of it agree.
class TLanguageMenu final : public QMenu {
  Q_OBJECT

 public:
  // `name` prefixes the object names: <name>Language, <name>ItemTurkish, <name>ItemEnglish.
  TLanguageMenu(std::filesystem::path settingsFile, IUserPrompt& prompt, const char* name, QWidget* parent);

 private:
  void ShowChosen();
  void Choose(TLanguage language);

  std::filesystem::path File_;
  IUserPrompt& Prompt_;
  QAction* Turkish_ = nullptr;
  QAction* English_ = nullptr;
};

}  // namespace velkaro
