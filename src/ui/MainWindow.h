#pragma once

#include <QIcon>
#include <QLocale>
#include <QMainWindow>
#include <QUrl>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MainWindowFlags.h"
#include "RowScore.h"
#include "SearchCommand.h"
#include "SaveDialog.h"
#include "ProgramFiles.h"
#include "ProgramVersion.h"
#include "SearchSession.h"
#include "Sites.h"
#include "SyncToAudioDialog.h"
#include "UserPrompt.h"
#include "VideoFacts.h"

class QDialog;
class QFrame;
class QMenu;
class QTableView;
class QToolBar;

namespace velkaro {

class TBestFetch;
class TDownloadStart;
class TAdvancedSearchDialog;
class TOrdelBanner;
class TQtDispatcher;
class TResultListModel;
class TStatusPanel;
class TVideoStrip;
class TWindowUpdateCheck;

// When a command is enabled: a row is selected, the list has rows, a search
// (or a fetch of the best row) runs, none runs, searches are tied to videos,
// or the list holds scored rows of the current search from videos and no
// fetch runs.
enum class TEnableRule { Selected, Rows, Searching, Idle, Videos, Fittable };

// What the window reaches outside itself; tests put their own in.
struct TMainWindowDeps {
  IUserPrompt& Prompt;
  // Where conf.vkcf, proxy.txt, rek.gif, the scratch file and BENIOKU.txt are.
  TProgramFiles Files = TProgramFiles::OfThisProgram();
  TSiteTable Sites = ConfiguredSites();
  // The user's short date format, for sorting by date.
  QLocale Locale = QLocale::system();
  // Shows each dialog and returns once it is done with; empty: modally with exec().
  std::function<void(QDialog&)> ShowDialog = {};
  // Opens an address or file with the desktop, false when nothing could open
  // it; empty: QDesktopServices.
  std::function<bool(const QUrl&)> OpenUrl = {};
  // Runs the save dialogs of a download (the window's `sd` and the download
  // window's own); empty: real dialogs.
  TSaveDialogRunner SaveDialog = {};
  // Runs "Video aç..."'s file dialog: the chosen files, none when cancelled;
  // empty: a real dialog.
  std::function<std::vector<std::filesystem::path>()> OpenVideoDialog = {};
  // Asks for the video and the subtitle of "Altyazıyı sese eşitle...", given
  // what to offer first; nothing when cancelled. Empty: two file dialogs.
  std::function<std::optional<TSyncChoice>(const TSyncChoice& prefilled)> AskSyncFiles = {};
  // Asks the maker's host for a newer version and the banner at start; the
  // program turns it on, tests only when they serve that host.
  bool CheckForUpdate = false;
  // Where the searches' diagnostics go; none by default.
  std::shared_ptr<TDiagnostics> Diagnostics = {};
  // Opened as from "Video aç..." once the window shows, in place of the
  // advanced search at start ("velkaro FILE...").
  std::vector<std::filesystem::path> VideosAtStart = {};
};

// The program's one window: menus, tool bar, the result list and the status
// bar over a search session that lives exactly as long as the window.
class TfrmMain final : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(TMainWindowDeps deps, QWidget* parent = nullptr);
  // Refuses further calls from the workers, then abandons and joins them.
  ~TfrmMain() override;
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  TSearchSession& Session() { return *Session_; }
  QTableView& ResultView() const { return *ResultView_; }
  // The banner area at the tool bar's end.
  QFrame& BannerArea() const { return *BannerArea_; }
  // Created when the window is first shown; null until then.
  TOrdelBanner* Banner() const { return Banner_; }
  QString PanelText(std::size_t panel) const;
  int SortColumn() const { return SortColumn_; }
  std::optional<std::size_t> SelectedRow() const;
  // What the advanced search dialog writes into lines 8 and 9 when it closes.
  TMainWindowFlags CurrentFlags() const;
  // The videos the last search was tied to; the dialog opens with them again.
  const TVideoFacts& HeldVideos() const { return Videos_; }
  // The text the status bar shows for them; empty while there are none.
  QString VideosText() const;

  // The command operations behind the menus, buttons and keys.
  void AdvancedSearch();
  // "Dosya > Video aç...": the files chosen in a file dialog, as OpenVideos.
  void AskVideos();
  // Files chosen or dropped: the advanced search opens filled in from the
  // first one's film, with every part of it among them; others are left out.
  // With fetchBestOnOpen the search runs at once without the dialog, and its
  // best row is fetched when it ends.
  void OpenVideos(const std::vector<std::filesystem::path>& videos);
  // Searches from now on are tied to no video; rows keep their own search's.
  void LetGoVideos();
  // "En uygununu indir": the best rows of the current search from videos
  // downloaded into the cache folder one after another until one fits the
  // videos, made ready beside them, up to three; no save dialog.
  void FetchBest();
  bool FetchingBest() const { return Fetch_ != nullptr; }
  void StopSearch();
  void StartDownload();
  void SortBy(int column);
  void DeleteSelected();
  void AskClearResults();
  void ClearResults();
  void ShowProperties();
  void SetGrid(bool on);
  void SetDialogAtStart(bool show);
  void ShowProxyOptions();
  void ShowDownloadOptions();
  // "Araçlar > Altyazıyı sese eşitle...": a video and its subtitle, chosen
  // from the last search from videos, then the sync's own window.
  void SyncToAudio();
  void ShowReadMe();
  void ShowWebSite();
  void ShowAbout();
  // The session is ending (SIGTERM, SIGHUP): the settings are saved and the
  // window closes without asking.
  void EndSession();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct TEnabling {
    QAction* Item;
    TEnableRule Rule;
  };

  // The commands shown in more than one place, each one action wherever it shows.
  void BuildCommands();
  void BuildMenuBar();
  void BuildToolBar(QWidget& panel);
  void BuildContextMenu();
  void BuildStatusBar();
  // A command held by the window, enabled by `rule` (none: always).
  QAction* Command(const QString& text, const char* name, std::function<void()> run,
                   std::optional<TEnableRule> rule = std::nullopt);
  void Connect(QAction& action, std::function<void()> run);
  // The command's key, whatever further modifiers are held with it.
  static void SetKey(QAction& command, Qt::Key key, Qt::KeyboardModifiers needs);
  // An item in `owner` that shows `command` under a caption of its own: it
  // runs the command and is enabled with it.
  QAction* Face(QWidget& owner, QAction& command, const QString& text, const char* name);
  void Follow(QAction& face, QAction& command);
  // The submenu's item, enabled while the list has rows.
  QAction* Submenu(QMenu& menu, const char* name);
  // A tool bar button with a drop-down; with a command, its item runs it and is enabled with it.
  QMenu* DropDown(const QString& text, const char* name, QIcon icon, QAction* command);
  // A yes/no setting offered as two ticked items, in the menu bar and in a drop-down.
  struct TChoice {
    void (TfrmMain::*Set)(bool);
    std::vector<QAction*> OnItems = {};
    std::vector<QAction*> OffItems = {};
    void Tick(bool on) const;
  };
  QAction* ChoiceItem(QWidget& owner, const QString& text, const char* name, TChoice& choice, bool value);
  QAction* StartupItem(QWidget& owner, const QString& text, const char* name, bool show);
  QAction* GridItem(QWidget& owner, const QString& text, const char* name, bool on);
  void AddSortItems(QMenu& menu, bool menuBarCaptions);

  // At construction: the grid setting, the title, the version check started.
  void PrepareStart();
  // At the first show: the banner, and the advanced search when it opens at start.
  void FirstShow();
  // At close: whether the advanced search opens at the next start.
  void SaveDialogAtStart();
  void UpdateCommands();
  void ShowPanel(std::size_t panel);
  void OpenUrl(const QUrl& url);
  template <typename Dialog, typename... Args>
  void ShowModal(Args&&... args);
  void ShowModal(QDialog& dialog);
  std::optional<std::filesystem::path> AskFile(const QString& title, const std::filesystem::path& start,
                                               const QString& filter);
  std::optional<TSyncChoice> AskSyncFiles(const TSyncChoice& prefilled);
  // The advanced search, `prepare`d, shown or its "&Ara" pressed unseen; a
  // search it launches holds its videos.
  void RunSearchDialog(const std::function<void(TAdvancedSearchDialog&)>& prepare, bool shown = true);
  void HoldVideos(TVideoFacts videos);
  // Each column but the address as wide as what it shows, on the first rows.
  void FitColumns();
  // After a search from the advanced search dialog: remembered for its title's variants.
  void SearchLaunched(const TAdvancedSearchDialog& dialog);
  // A search started or ended (the session's Idle changed).
  void SearchStateChanged();
  // Once a search from videos has ended: asked again with a variant of its
  // title when it found nothing, else its best row shown, and fetched when asked.
  void SearchEnded();
  bool SearchAgainWithVariant();
  void ShowBestRow();
  void ShowFitColumn(bool shown);
  // The row's fit to the videos of the search it arrives in.
  void AnnotateFit(TResultRow& row);
  // Rows of the current search from videos have been scored.
  bool ScoredSearch() const;
  const std::vector<std::filesystem::path>& CurrentVideos() const;
  void FetchEnded(const std::string& message, std::string status);
  // Video files dragged over or dropped on the window or the list.
  bool HandleDrag(QEvent& event);

  TMainWindowDeps Deps_;
  std::shared_ptr<TQtDispatcher> Dispatcher_;
  std::unique_ptr<TSearchSession> Session_;
  // After the session: goes first, while the rows it listens to still exist.
  std::unique_ptr<TResultListModel> Model_;

  QTableView* ResultView_ = nullptr;
  QFrame* BannerArea_ = nullptr;
  TOrdelBanner* Banner_ = nullptr;
  QToolBar* ToolBar_ = nullptr;
  QMenu* ContextMenu_ = nullptr;
  TVideoStrip* VideoStrip_ = nullptr;
  std::array<TStatusPanel*, TSearchSession::kPanelCount> Panels_{};
  std::vector<TEnabling> Enabling_;
  QAction* Search_ = nullptr;
  QAction* Stop_ = nullptr;
  QAction* Download_ = nullptr;
  QAction* FetchBest_ = nullptr;
  QAction* Properties_ = nullptr;
  QAction* AskClear_ = nullptr;
  QAction* DeleteSelected_ = nullptr;
  QAction* DownloadOptions_ = nullptr;
  std::vector<QAction*> SortBy_;
  TChoice DialogAtStart_{&TfrmMain::SetDialogAtStart};
  TChoice Grid_{&TfrmMain::SetGrid};
  QAction* DialogAtStartItem_ = nullptr;
  int SortColumn_ = 0;
  bool Shown_ = false;
  bool Ending_ = false;
  // The first rows arrived during a search: fitted again when it ends.
  bool RefitAtSearchEnd_ = false;
  TVideoFacts Videos_;
  std::unique_ptr<TDownloadStart> DownloadStart_;
  // Abandoned and joined in the destructor, before anything it reaches goes.
  std::unique_ptr<TWindowUpdateCheck> UpdateCheck_;

  // The film the last search from videos is scored against, and its videos.
  struct TFitFilm {
    std::vector<std::filesystem::path> Videos;
    TMatchFilm Film;
  };
  std::optional<TFitFilm> FitFilm_;
  // The last search from videos as launched, and its title's variants not yet asked.
  std::optional<TSearchChoices> VideoSearch_;
  std::vector<std::string> VariantsLeft_;
  std::size_t RowsAtLaunch_ = 0;
  // fetchBestOnOpen: the best row is fetched once the search ends.
  bool FetchWhenDone_ = false;
  std::unique_ptr<TBestFetch> Fetch_;
};

}  // namespace velkaro
