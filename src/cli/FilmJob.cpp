#include "FilmJob.h"

#include <algorithm>
#include <chrono>

#include "CodePage.h"
#include "FilmFolders.h"
#include "ProgramFiles.h"
#include "SearchCommand.h"
#include "TitleMatch.h"
#include "UserText.h"

namespace velkaro {

namespace {

constexpr std::chrono::milliseconds kPoll{100};
// Every language: the score weighs each row's against the person's order.
constexpr const char* kAllLanguages = "All";
constexpr const char* kAllFormats = "All";

// A note in code page 1254: "%1" is the film or video, "%2" a line the sync
// said about the film's subtitle.
std::string Note(const char* text, std::string_view subject, std::string_view line = {}) {
  return FillIn(Tr1254(text), {subject, line});
}

}  // namespace

bool TFilmResult::HasCandidate() const {
  return std::any_of(Judged.begin(), Judged.end(), [](const TJudgedRow& row) { return row.Candidate(); });
}

TFilmJob::TFilmJob(const TFilmSettings& settings, std::vector<std::filesystem::path> videos)
    : Settings_(settings),
      Ui_(std::make_shared<TQueueDispatcher>()),
      Session_(std::make_unique<TSearchSession>(Ui_, Prompt_)) {
  Session_->Diagnostics = Settings_.Diagnostics;
  Result_.Videos = std::move(videos);
}

TFilmJob::~TFilmJob() {
  Session_.reset();
  // End notifications of stopped searches still queued hold their threads: dropped, they let them go.
  Ui_->Shutdown();
}

TFilmResult TFilmJob::Run() {
  if (FoundExisting()) return std::move(Result_);
  Probe();
  if (Result_.Facts.Title.empty()) {
    Result_.Notes.push_back(Note(VK_TEXT("%1: film adı çıkarılamadı."), Utf8ToCp1254(Result_.Videos.front().string())));
    return std::move(Result_);
  }
  Search();
  Rank();
  if (!Settings_.DryRun && !Interrupted()) Fetch();
  return std::move(Result_);
}

// A film with a subtitle beside any of its videos is left alone unless forced.
bool TFilmJob::FoundExisting() {
  if (Settings_.Force) return false;
  for (const auto& video : Result_.Videos) {
    if (auto existing = SubtitleBeside(video)) {
      Result_.Existing = std::move(existing);
      Result_.Notes.push_back(Note(VK_TEXT("%1: yanında altyazı var; atlandı."), Utf8ToCp1254(video.string())));
      return true;
    }
  }
  return false;
}

void TFilmJob::Probe() { Result_.Facts = ReadVideoFacts(Result_.Videos); }

template <typename Done, typename Stop>
void TFilmJob::Wait(Done done, Stop stop) {
  while (!done()) {
    Ui_->WaitAndProcess(kPoll);
    if (Interrupted() && !Result_.Interrupted) {
      Result_.Interrupted = true;
      stop();
    }
  }
}

void TFilmJob::SearchFor(const std::string& film) {
  TSearchChoices choices;
  choices.Ticked = Settings_.Sites;
  choices.Film = film;
  choices.LanguageItem = kAllLanguages;
  choices.FormatItem = kAllFormats;
  choices.Connections = Settings_.Connections;
  RunSearchCommand(*Session_, choices, Prompt_);
  Wait([this] { return Session_->Idle(); }, [this] { Session_->Stop(); });
}

// The guessed title, and when nothing is found its usual variants once.
void TFilmJob::Search() {
  const std::string film = Utf8ToCp1254(Result_.Facts.Title);
  SearchFor(film);
  if (Session_->Rows().Count() == 0) {
    for (const auto& variant : TitleVariants(film)) {
      if (Interrupted()) break;
      SearchFor(variant);
    }
  }
  Result_.Rows = Session_->Rows().All();
  if (Result_.Rows.empty()) Result_.Notes.push_back(Note(VK_TEXT("%1: hiç altyazı bulunamadı."), film));
}

void TFilmJob::Rank() {
  const TMatchFilm film = MatchFilmOf(Result_.Facts, Settings_.Languages, Settings_.Options);
  Result_.Judged = JudgeRows(film, Result_.Rows, Session_->Sites());
  if (!Result_.Rows.empty() && !Result_.HasCandidate()) {
    Result_.Notes.push_back(Note(VK_TEXT("%1: indirilebilecek uygun altyazı yok."), Utf8ToCp1254(Result_.Facts.Title)));
  }
}

void TFilmJob::Fetch() {
  TFetchJob job;
  job.Rows = Result_.Rows;
  for (const auto& judged : Result_.Judged) {
    if (judged.Candidate()) job.Candidates.push_back(judged.Row);
  }
  if (job.Candidates.empty()) return;
  job.Videos = Result_.Facts.Videos;
  job.Options = Settings_.Options;
  job.Proxy = Settings_.Proxy;
  job.WorkFolder = Session_->Files().CacheDir();
  job.Sites = Session_->Sites();
  job.Diagnostics = Settings_.Diagnostics;
  job.MayOverwrite = [force = Settings_.Force](const std::filesystem::path&) { return force; };
  TBestFetch fetch(Ui_, std::move(job));
  fetch.Start(nullptr);
  Wait([&fetch] { return fetch.Finished(); }, [&fetch] { fetch.Stop(); });
  Result_.Fetch = fetch.Outcome();
  if (!Result_.Fetch.Placed && !Result_.Fetch.Stopped) {
    Result_.Notes.push_back(
        Note(VK_TEXT("%1: denenen altyazıların hiçbiri uymadı."), Utf8ToCp1254(Result_.Facts.Title)));
  }
  // What the sync with the speech made of the placed subtitle, as download --sync tells it.
  for (const auto& line : Result_.Fetch.SyncMessages) {
    Result_.Notes.push_back(Note(VK_TEXT("%1: %2"), Utf8ToCp1254(Result_.Facts.Title), line));
  }
  for (const auto& tried : Result_.Fetch.Tried) {
    if (!tried.Refusal.empty()) Result_.Notes.push_back("  " + Result_.Rows[tried.Row].Info.Url + ": " + tried.Refusal);
  }
}

}  // namespace velkaro
