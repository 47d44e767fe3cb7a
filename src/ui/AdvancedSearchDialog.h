#pragma once

#include "FormDialog.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MainWindowFlags.h"
#include "SearchCommand.h"
#include "SearchSession.h"
#include "SettingsFile.h"
#include "UserPrompt.h"
#include "VideoFacts.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velkaro {

class TVideoStrip;

// "Gelişmiş Arama": every search starts here. The controls keep their
// designer names as object names. Whatever closes the dialog writes the
// settings file; "&Ara" launches the ticked sites through the session.
class TAdvancedSearchDialog final : public TFormDialog {
  Q_OBJECT

 public:
  TAdvancedSearchDialog(TSearchSession& session, IUserPrompt& prompt, std::function<TMainWindowFlags()> currentFlags,
                const TProgramFiles& files, QWidget* parent = nullptr);

  // The choices as "&Ara" hands them to the search command.
  TSearchChoices Choices() const;

  // Fills the film name from a film's video files and ties the search to
  // them, named at the dialog's top; their part count and frame rate are
  // shown in the status line and go into each row's score, while the CD and
  // FPS filters stay as they are; files of other films that were left out are
  // named there too. Until the user searches or types a name of their own,
  // the settings file keeps the film name it had.
  void ShowVideo(const TVideoFacts& facts, const std::vector<std::filesystem::path>& leftOut = {});
  // The same for videos a search was already tied to: the film name stays as
  // the settings file has it, the last one searched for.
  void KeepVideo(const TVideoFacts& facts);
  // "Bırak": the search is tied to no video; CD and FPS go back to "Hepsi".
  void LetGoVideos();
  // Whether "&Ara" launched a search, and the videos it was tied to.
  bool Searched() const { return Searched_; }
  const TVideoFacts& Videos() const { return Videos_; }

  void Button1Click() override;
  void Button2Click() override;
  void UpdateSiteFonts();

 protected:
  void FormCloseQuery() override;

 private:
  void BuildControls();
  QWidget* BuildSiteGroup();
  QWidget* BuildRightColumn();
  void FormCreate();
  void TieToVideos(const TVideoFacts& facts, bool guessFilm, const std::vector<std::filesystem::path>& leftOut);
  QCheckBox* SiteBox(TSettingsLine line) const;
  // The film name the settings file gets when the dialog closes.
  std::string FilmToSave() const;

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
  QLabel* lblVideoStatus = nullptr;
  TVideoStrip* VideoStrip_ = nullptr;

  TVideoFacts Videos_;
  // Set by ShowVideo: the name it wrote into Edit1 and the one read from the file.
  std::optional<std::string> GuessedFilm_;
  std::string SettingsFilm_;
  bool Searched_ = false;
};

// The language items that the sites' language maps receive, in list order.
inline constexpr std::array<const char*, 24> kLanguageItems = {
    "All",       "Turkish", "English",  "Albanian",  "Bulgarian", "Bulgarian_English", "Chinese GB Code", "Croatian",
    "Czech",     "English_German", "Estonian", "Finnish", "French", "Germany", "Hungary", "Italy",
    "Japanese",  "Korean",  "Portugese", "Romanian", "Russian",   "Serbian",           "Spanish",         "Swedish"};

inline constexpr std::array<const char*, 8> kFormatItems = {
    "All", "SubRip", "MicroDVD", "SubStation Alpha", "SubViewer", "SubCreator", "SAMI Captioning", "TMPlayer"};

}  // namespace velkaro
