#include "BestFetch.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "BestRows.h"
#include "CodePage.h"
#include "DownloadRequest.h"
#include "PartialFile.h"
#include "SubtitleSync.h"
#include "TextHelpers.h"
#include "UserText.h"


namespace velkaro {

namespace {

// Shown in code page 1254.
constexpr const char* kNothingReady = VK_TEXT("Altyazı hazırlanamadı.");
constexpr const char* kFolderPattern = "velkaro-fetch-XXXXXX";

// A folder of its own inside `parent`; empty when none can be made (the
// downloads then fail and say why).
std::filesystem::path MakeOwnFolder(const std::filesystem::path& parent) {
  std::error_code ignored;
  std::filesystem::create_directories(parent, ignored);
  std::string pattern = (parent / kFolderPattern).string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

std::string JoinedMessages(const std::vector<std::string>& messages) {
  std::string text;
  for (const auto& message : messages) text += (text.empty() ? "" : " ") + message;
  return text.empty() ? Tr1254(kNothingReady) : text;
}

}  // namespace

TBestFetch::TBestFetch(std::shared_ptr<IUiDispatcher> ui, TFetchJob job)
    : Ui_(std::move(ui)), Job_(std::move(job)), Folder_(MakeOwnFolder(Job_.WorkFolder)) {}

TBestFetch::~TBestFetch() {
  AbandonWorkers();
  std::error_code ignored;
  if (!Folder_.empty()) std::filesystem::remove_all(Folder_, ignored);
}

void TBestFetch::Start(std::function<void(const TBestFetchOutcome&)> onFinished) {
  OnFinished_ = std::move(onFinished);
  TryNext();
}

void TBestFetch::AbandonWorkers() {
  if (Thread_) {
    Thread_->Abandon();
    Thread_->Join();
    Thread_->DiscardPartial();
    Thread_.reset();
  }
  if (PlanThread_) {
    PlanThread_->Abandon();
    PlanThread_->Join();
    PlanThread_.reset();
  }
  if (SyncThread_) {
    SyncThread_->Abandon();
    SyncThread_->Join();
    SyncThread_.reset();
  }
}

void TBestFetch::Stop() {
  if (Finished_) return;
  AbandonWorkers();
  Outcome_.Stopped = true;
  Finish();
}

bool TBestFetch::SkippedAsSameUpload(std::size_t row) const {
  return std::any_of(RefusedForContent_.begin(), RefusedForContent_.end(), [&](std::size_t refused) {
    return SameUpload(Job_.Rows[refused].Info, Job_.Rows[row].Info);
  });
}

void TBestFetch::TryNext() {
  while (Next_ < Job_.Candidates.size() && SkippedAsSameUpload(Job_.Candidates[Next_])) ++Next_;
  if (Next_ >= Job_.Candidates.size() || Downloads_ >= kMaxDownloads) {
    // Posted, so that the caller hears of the end after Start has returned.
    Ui_->Post([this] { Finish(); });
    return;
  }
  StartDownload(Job_.Candidates[Next_++]);
}

void TBestFetch::StartDownload(std::size_t row) {
  ++Downloads_;
  Current_ = row;
  const TSubtitleInfo& info = Job_.Rows[row].Info;
  const TDownloadRoute route = RouteDownload(info.Url, Job_.Sites);
  // One folder per try: a scratch file and a name of its own.
  const std::filesystem::path folder = Folder_ / std::to_string(Downloads_);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const auto target = [folder, info](std::string_view extension) {
    return folder / Cp1254ToUtf8(ProposedFileName(info.FilmName, info.CdCount, info.Fps, extension));
  };
  Thread_ = TDownloadThread::Create(Ui_, TProgramFiles::InFolder(folder), Job_.Sites);
  Thread_->UseProxy = Job_.Proxy.UseProxy;
  Thread_->ProxyHost = Job_.Proxy.Host;
  Thread_->ProxyPort = Job_.Proxy.Port;
  Thread_->Referer = route.Referer;
  Thread_->Url = info.Url;
  Thread_->Diagnostics = Job_.Diagnostics;
  if (route.TargetFirst) Thread_->SavePath = target(AddressExtension(info.Url));
  Thread_->OnAskSavePath = [target](const std::string& extension) { return target(extension); };
  Thread_->OnTerminate = [this](TDownloadThread& done) { Downloaded(done); };
  Thread_->Start();
}

void TBestFetch::Downloaded(TDownloadThread& thread) {
  thread.Join();
  const bool saved = thread.Completed() && thread.CommitTarget();
  const std::filesystem::path downloaded = thread.SavePath;
  const std::string failure = thread.FailureText();
  Thread_.reset();
  if (!saved) {
    Refuse(failure.empty() ? Tr1254("İndirilemedi.") : FillIn(Tr1254("İndirilemedi: %1"), {Utf8ToCp1254(failure)}), false);

    return;
  }
  MakeReady(downloaded);
}

void TBestFetch::MakeReady(const std::filesystem::path& downloaded) {
  const TSubtitleInfo& info = Job_.Rows[*Current_].Info;
  TReadyRequest request{downloaded, Job_.Videos, info.Fps, info.Language, Job_.Options};
  request.CheckFit = true;
  PlanThread_ = TReadyPlanThread::Create(Ui_, std::move(request));
  PlanThread_->OnTerminate = [this](TReadyPlanThread& done) { Planned(done); };
  PlanThread_->Start();
}

void TBestFetch::Planned(TReadyPlanThread& thread) {
  thread.Join();
  TReadyPlan plan = thread.Plan();
  if (!thread.Failure().empty()) plan.Messages.push_back(thread.Failure());
  PlanThread_.reset();
  if (plan.Files.empty()) {
    Refuse(JoinedMessages(plan.Messages), true);
    return;
  }
  if (Job_.Options.SyncToAudio) {
    SyncThenPlace(std::move(plan));
    return;
  }
  Place(std::move(plan));
}

void TBestFetch::SyncThenPlace(TReadyPlan plan) {
  Plan_ = std::move(plan);
  const auto said = static_cast<std::ptrdiff_t>(Plan_.Messages.size());
  SyncThread_ = TSyncThread::Create(Ui_, [this](const TSpeechListener& listener) { SyncReadyPlan(Plan_, listener); });
  SyncThread_->OnTerminate = [this, said](TSyncThread& done) {
    // The end notification keeps the thread alive while it runs.
    done.Join();
    SyncThread_.reset();
    // A part the sync could not read stays as planned; the reason goes with the rest.
    if (!done.FailureText().empty()) Plan_.Messages.push_back(done.FailureText());
    Outcome_.SyncMessages.assign(Plan_.Messages.begin() + said, Plan_.Messages.end());
    Place(std::move(Plan_));
  };
  SyncThread_->Start();
}

void TBestFetch::Place(TReadyPlan plan) {
  try {
    Outcome_.Written = WriteReadySubtitles(plan, Job_.MayOverwrite);
  } catch (const TDownloadFileError& error) {
    // The folder beside the videos takes no file: no other row would fare better.
    Outcome_.Tried.push_back({*Current_, Utf8ToCp1254(error.what())});
    Finish();
    return;
  }
  if (Outcome_.Written.Written.empty()) {
    // Every target was there already and kept: another row would meet the same files.
    Outcome_.Tried.push_back({*Current_, RefusedFilesText(Outcome_.Written)});
    Finish();
    return;
  }
  Outcome_.Placed = Current_;
  Outcome_.Messages = std::move(plan.Messages);
  Outcome_.Tried.push_back({*Current_, {}});
  Finish();
}

void TBestFetch::Refuse(std::string reason, bool byContent) {
  Outcome_.Tried.push_back({*Current_, std::move(reason)});
  if (byContent) RefusedForContent_.push_back(*Current_);
  Current_.reset();
  TryNext();
}

void TBestFetch::Finish() {
  if (Finished_) return;
  Finished_ = true;
  if (OnFinished_) OnFinished_(Outcome_);
}

}  // namespace velkaro
