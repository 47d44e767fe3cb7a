#include "SearchSession.h"

#include <algorithm>

#include "ProxyFile.h"
#include "ResultIntake.h"

namespace velkaro {

TSearchSession::TSearchSession(std::shared_ptr<IUiDispatcher> ui, IUserPrompt& prompt, TSiteTable sites,
                               TProgramFiles files)
    : Ui_(std::move(ui)), Prompt_(prompt), Sites_(std::move(sites)), Files_(std::move(files)) {}

TSearchSession::~TSearchSession() {
  std::vector<std::shared_ptr<TSearchThread>> alive;
  for (const auto& started : Started_) {
    if (auto thread = started.lock()) alive.push_back(std::move(thread));
  }
  for (const auto& thread : alive) thread->Abandon();
  for (const auto& thread : alive) thread->Join();
}

void TSearchSession::SetPanel(std::size_t panel, std::string text) {
  Panels_.at(panel) = std::move(text);
  if (OnPanelChanged) OnPanelChanged(panel);
}

void TSearchSession::SetIdle(bool idle) {
  if (Idle_ == idle) return;
  Idle_ = idle;
  if (OnIdleChanged) OnIdleChanged();
}

std::shared_ptr<TSearchThread> TSearchSession::NewThread(TSearchRequest request) {
  std::erase_if(Started_, [](const auto& started) { return started.expired(); });
  TSearchCallbacks callbacks{
      // Its rows belong to the search it was launched for, whenever they arrive.
      .OnRecord = [this, origin = CurrentSearch_](TSubtitleInfo& record) { AddResult(record, origin); },
      .OnErrorMarker = [this](const std::string& marker) { Registry.Errors.push_back(marker); },
      .OnTerminate = [this](TSearchThread& ended) { SearchThreadTerminated(ended); },
  };
  auto thread = TSearchThread::Create(Ui_, std::move(request), std::move(callbacks), Sites_);
  Started_.push_back(thread);
  return thread;
}

TSearchOriginPtr TSearchSession::BeginSearch(TSearchOrigin origin) {
  CurrentSearch_ = std::make_shared<const TSearchOrigin>(std::move(origin));
  return CurrentSearch_;
}

void TSearchSession::LaunchSearch(SiteId site, std::string queryText, std::string filmName,
                                  const TLaunchProxy& proxy) {
  SetIdle(false);
  const auto port = ParseInt(proxy.PortText);
  auto thread = NewThread({
      .Site = site,
      .Query = std::move(queryText),
      .Film = std::move(filmName),
      .Proxy = {.Use = proxy.UseProxy, .Host = proxy.Host, .Port = port.value_or(0)},
      .Connections = Connections,
      .Diagnostics = Diagnostics,
  });
  Registry.Threads.push_back(thread.get());
  UpdateSearchStatus();
  // The box runs an event loop of its own, in which earlier searches may end:
  // registered first, this one keeps the registry from running empty, which
  // would set Idle and drop the markers gathered so far.
  if (!port) Prompt_.ShowError(Tr1254(kBadProxyPort));
  // A Stop while the box was up has abandoned it already.
  if (!thread->Abandoned()) thread->Start();
}

void TSearchSession::UpdateSearchStatus() {
  if (Registry.Threads.empty()) {
    ShowSearchResult();
    return;
  }
  std::string text;
  for (const TSearchThread* thread : Registry.Threads) {
    text += text.empty() ? " [" : ", [";
    text += thread->Request().Film + " - " + Sites_[thread->Request().Site].Name + "] ";
  }
  SetPanel(kStatusPanel, FillIn(Tr1254(kSearching), {text}));
}

void TSearchSession::ShowSearchResult() {
  const auto& errors = Registry.Errors;
  if (errors.empty()) {
    SetPanel(kStatusPanel, Tr1254(kSearchClean));
    return;
  }
  std::string markers;
  for (std::size_t i = 0; i < errors.size(); ++i) markers += (i == 0 ? "" : " , ") + errors[i];
  SetPanel(kStatusPanel, FillIn(Tr1254(kSearchFailed), {markers}));

}

void TSearchSession::SearchThreadTerminated(TSearchThread& thread) {
  auto& threads = Registry.Threads;
  if (const auto found = std::find(threads.begin(), threads.end(), &thread); found != threads.end()) {
    threads.erase(found);
  }
  UpdateSearchStatus();
  if (threads.empty()) {
    SetIdle(true);
    Registry.Errors.clear();
  }
}

void TSearchSession::Stop() {
  for (TSearchThread* thread : Registry.Threads) thread->Abandon();
  Registry.Threads.clear();
  SetIdle(true);
  UpdateSearchStatus();
}

void TSearchSession::AddResult(TSubtitleInfo& record, TSearchOriginPtr origin) {
  NormaliseFps(record);
  if (!PassesFilters(SearchOptions, record)) return;
  TResultRow row{record, ChooseRowIcon(record.Url, Sites_), std::move(origin)};
  if (AnnotateRow) AnnotateRow(row);
  Rows_.Append(std::move(row));
  SetPanel(kCountPanel, std::to_string(Rows_.Count()));
}

void TSearchSession::ClearResults() {
  Rows_.Clear();
  SetPanel(kStatusPanel, "");
  SetPanel(kCountPanel, "0");
}

void TSearchSession::DeleteRow(std::size_t row) { Rows_.Remove(row); }

}  // namespace velkaro
