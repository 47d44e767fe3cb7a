#pragma once

#include "FormDialog.h"

#include <array>
#include <filesystem>
#include <functional>

#include "MainWindowFlags.h"
#include "SearchCommand.h"
#include "SearchSession.h"
#include "SettingsFile.h"
#include "UserPrompt.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velkaro {

// "Gelişmiş Arama": every search starts here. The controls keep their
// designer names as object names. Whatever closes the dialog writes the
// settings file; "&Ara" launches the ticked sites through the session.
class TfrmAllSearch final : public TFormDialog {
  Q_OBJECT

 public:
  TfrmAllSearch(TSearchSession& session, IUserPrompt& prompt, std::function<TMainWindowFlags()> currentFlags,
                const TProgramFiles& files, QWidget* parent = nullptr);

  // The choices as "&Ara" hands them to the search command.
  TSearchChoices Choices() const;

  void Button1Click() override;
  void Button2Click() override;
  void UpdateSiteFonts();

 protected:
  void FormCloseQuery() override;

 private:
  void BuildControls();
  QWidget* BuildSiteGroup();
  QWidget* BuildCdGroup();
  QWidget* BuildFpsGroup();
  QWidget* BuildRightColumn();
  void FormCreate();
  QCheckBox* SiteBox(TSettingsLine line) const;
  static void UpdateRadioFonts(QButtonGroup* group);

  TSearchSession& Session_;
  IUserPrompt& Prompt_;
  std::function<TMainWindowFlags()> CurrentFlags_;
  TSettingsFile Settings_;

  // Parallel to the site, CD and frame-rate tables of the implementation.
  std::array<QCheckBox*, kSiteCount> SiteBoxes_{};
  std::array<QRadioButton*, 5> CdRadios_{};
  std::array<QRadioButton*, 5> FpsRadios_{};
  QButtonGroup* CdGroup_ = nullptr;
  QButtonGroup* FpsGroup_ = nullptr;
  QLineEdit* edtCustomCDCount = nullptr;
  QLineEdit* edtCustomFPS = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// The language items that the sites' language maps receive, in list order.
inline constexpr std::array<const char*, 24> kLanguageItems = {
    "All",       "Turkish", "English",  "Albanian",  "Bulgarian", "Bulgarian_English", "Chinese GB Code", "Croatian",
    "Czech",     "English_German", "Estonian", "Finnish", "French", "Germany", "Hungary", "Italy",
    "Japanese",  "Korean",  "Portugese", "Romanian", "Russian",   "Serbian",           "Spanish",         "Swedish"};

inline constexpr std::array<const char*, 8> kFormatItems = {
    "All", "SubRip", "MicroDVD", "SubStation Alpha", "SubViewer", "SubCreator", "SAMI Captioning", "TMPlayer"};

}  // namespace velkaro
