#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dispatcher.h"
#include "ProgramFiles.h"
#include "ProgramSettings.h"
#include "ResultRows.h"
#include "SearchOrigin.h"
#include "SearchRegistry.h"
#include "SearchThread.h"
#include "Sites.h"
#include "SubtitleInfo.h"
#include "UserPrompt.h"
#include "UserText.h"


namespace velkaro {

struct TLaunchProxy;

// The main window's search state without the window: launching searches,
// the registry of running ones, the result rows and the status panel texts.
// Everything here runs on the user-interface thread.
class TSearchSession {
 public:
  enum TPanel : std::size_t { kVersionPanel = 0, kCountPanel = 1, kStatusPanel = 2, kPanelCount = 3 };

  TSearchSession(std::shared_ptr<IUiDispatcher> ui, IUserPrompt& prompt, TSiteTable sites = ConfiguredSites(),
                 TProgramFiles files = TProgramFiles::OfThisProgram());
  // Abandons every search still running and waits for its thread.
  ~TSearchSession();
  TSearchSession(const TSearchSession&) = delete;
  TSearchSession& operator=(const TSearchSession&) = delete;

  TAdvancedSearchOptions SearchOptions;
  TSearchRegistry Registry;
  // Given to every search launched from now on; none by default.
  std::shared_ptr<TDiagnostics> Diagnostics;
  // Requests each search launched from now on makes at once.
  int Connections = kDefaultConnections;

  bool Idle() const { return Idle_; }
  const std::string& Panel(std::size_t panel) const { return Panels_.at(panel); }
  void SetPanel(std::size_t panel, std::string text);
  TResultRows& Rows() { return Rows_; }
  const TResultRows& Rows() const { return Rows_; }
  const TSiteTable& Sites() const { return Sites_; }
  const TProgramFiles& Files() const { return Files_; }
  // The search the threads launched from now on belong to; null before the first.
  const TSearchOriginPtr& CurrentSearch() const { return CurrentSearch_; }

  // Completes a row that passed the filters before it is shown (its fit to the videos).
  std::function<void(TResultRow& row)> AnnotateRow;
  // The window hears of what it must redraw.
  std::function<void(std::size_t panel)> OnPanelChanged;
  std::function<void()> OnIdleChanged;

  // Starts a search: the searches launched from now on are its, and so are their rows.
  TSearchOriginPtr BeginSearch(TSearchOrigin origin);
  // One site's search; `proxy` as the search command read it. A bad port is
  // shown, and the search goes out without the proxy.
  void LaunchSearch(SiteId site, std::string queryText, std::string filmName, const TLaunchProxy& proxy);
  void UpdateSearchStatus();
  void ShowSearchResult();
  void SearchThreadTerminated(TSearchThread& thread);
  // "Durdur": every running search is abandoned; markers gathered so far stay.
  void Stop();
  // A record from a search: filtered, then shown as a row that keeps its search.
  void AddResult(TSubtitleInfo& record, TSearchOriginPtr origin);
  // A record of the current search.
  void AddResult(TSubtitleInfo& record) { AddResult(record, CurrentSearch_); }
  // Rows, search status and count emptied; running searches go on.
  void ClearResults();
  // No status change: the count panel keeps its number until the next row.
  void DeleteRow(std::size_t row);

 private:
  void SetIdle(bool idle);
  std::shared_ptr<TSearchThread> NewThread(TSearchRequest request);

  std::shared_ptr<IUiDispatcher> Ui_;
  IUserPrompt& Prompt_;
  TSiteTable Sites_;
  TProgramFiles Files_;
  bool Idle_ = true;
  std::array<std::string, kPanelCount> Panels_{"", "0", ""};
  TResultRows Rows_;
  TSearchOriginPtr CurrentSearch_;
  // Every thread started and not yet released, abandoned ones included, so
  // that none outlives the session.
  std::vector<std::weak_ptr<TSearchThread>> Started_;
};

// The status line texts (UserText.h), shown in code page 1254. %1 of
// kSearching is the list of running searches, of kSearchFailed their markers.
inline constexpr const char* kSearching = VK_TEXT("%1 altyazıları aranıyor...");
inline constexpr const char* kSearchClean = VK_TEXT("Arama hatasız tamamlandı.");
inline constexpr const char* kSearchFailed = VK_TEXT("Aramada hatalar oluştu: %1");
inline constexpr const char* kBadProxyPort = VK_TEXT("Hatalı proxy portu.");


}  // namespace velkaro
