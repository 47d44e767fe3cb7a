#include "GetCommand.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "CodePage.h"
#include "ExitStatus.h"
#include "FilmFolders.h"
#include "FilmJob.h"
#include "ProgramFiles.h"
#include "ProgramSettings.h"
#include "ResultIntake.h"
#include "RowFormat.h"
#include "UserText.h"

namespace velkaro {

namespace {

// Shown in code page 1254; "%1" stands for the path.
constexpr const char* kMissing = VK_TEXT("%1: bulunamadı.");

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
extern "C" void OnGetInterrupt(int) { Interrupted.store(true); }

// stderr lines from every film's thread, never interleaved.
class TErrorLines {
 public:
  void Write(std::string_view engineText) {
    std::string text = Cp1254ToUtf8(engineText);
    std::erase(text, '\r');
    std::lock_guard lock(Mutex_);
    std::cerr << text << '\n';
  }

 private:
  std::mutex Mutex_;
};

std::string SiteName(const TResultRow& row, const TSiteTable& sites) {
  const auto site = SiteOfUrl(row.Info.Url, sites);
  return site ? sites[*site].Name : std::string();
}

std::string JsonOrNull(const std::optional<std::string>& utf8) { return utf8 ? Utf8JsonString(*utf8) : "null"; }

std::string ReasonsJson(const TRowScore& score) {
  std::string json = "[";
  for (const auto& reason : score.Reasons) {
    if (json.size() > 1) json += ",";
    json += JsonString(reason.Text + (reason.Points > 0 ? " +" : " ") + std::to_string(reason.Points));
  }
  return json + "]";
}

const TJudgedRow* JudgedOf(const TFilmResult& film, std::size_t row) {
  const auto found = std::find_if(film.Judged.begin(), film.Judged.end(),
                                  [row](const TJudgedRow& judged) { return judged.Row == row; });
  return found == film.Judged.end() ? nullptr : &*found;
}

// The file made ready beside `video`: "<stem>.<ext>" or "<stem>.<lang>.<ext>" in its folder.
std::optional<std::filesystem::path> WrittenBeside(const TFilmResult& film, const std::filesystem::path& video) {
  const std::string stem = video.stem().string() + ".";
  for (const auto& file : film.Fetch.Written.Written) {
    if (file.parent_path() == video.parent_path() && file.filename().string().starts_with(stem)) return file;
  }
  return std::nullopt;
}

class TGetOutput {
 public:
  TGetOutput(const TGetArgs& args, const TSiteTable& sites) : Args_(args), Sites_(sites) {}

  void Print(const TFilmResult& film) const {
    if (Args_.DryRun) {
      PrintRanking(film);
      return;
    }
    for (const auto& video : film.Videos) {
      std::cout << (Args_.Json ? VideoJson(film, video) : VideoLine(film, video)) << '\n';
    }
  }

 private:
  std::optional<std::size_t> PlacedRow(const TFilmResult& film) const { return film.Fetch.Placed; }

  std::string VideoLine(const TFilmResult& film, const std::filesystem::path& video) const {
    const auto written = WrittenBeside(film, video);
    std::string line = Utf8TabField(video.string()) + "\t" + Utf8TabField(written ? written->string() : "");
    const auto placed = PlacedRow(film);
    if (!placed || !written) return line + "\t\t";
    return line + "\t" + SiteName(film.Rows[*placed], Sites_) + "\t" +
           std::to_string(JudgedOf(film, *placed)->Score.Value);
  }

  std::string TriedJson(const TFilmResult& film) const {
    std::string json = "[";
    for (const auto& tried : film.Fetch.Tried) {
      const TResultRow& row = film.Rows[tried.Row];
      if (json.size() > 1) json += ",";
      json += "{\"site\":" + Utf8JsonString(SiteName(row, Sites_)) + ",\"url\":" + JsonString(row.Info.Url) +
              ",\"score\":" + std::to_string(JudgedOf(film, tried.Row)->Score.Value) +
              ",\"refused\":" + (tried.Refusal.empty() ? "null" : JsonString(tried.Refusal)) + "}";
    }
    return json + "]";
  }

  std::string VideoJson(const TFilmResult& film, const std::filesystem::path& video) const {
    const auto written = WrittenBeside(film, video);
    const auto placed = PlacedRow(film);
    std::string json = "{\"path\":" + Utf8JsonString(video.string()) + ",\"subtitle\":" +
                       JsonOrNull(written ? std::optional(written->string()) : std::nullopt);
    if (placed && written) {
      const TResultRow& row = film.Rows[*placed];
      const TRowScore& score = JudgedOf(film, *placed)->Score;
      json += ",\"site\":" + Utf8JsonString(SiteName(row, Sites_)) + ",\"score\":" + std::to_string(score.Value) +
              ",\"reasons\":" + ReasonsJson(score) + ",\"row\":" + RowLine(row, true);
    } else {
      json += ",\"site\":null,\"score\":null,\"reasons\":[],\"row\":null";
    }
    json += ",\"tried\":" + TriedJson(film) + ",\"skipped\":" +
            JsonOrNull(film.Existing ? std::optional(film.Existing->string()) : std::nullopt);
    return json + "}";
  }

  void PrintRanking(const TFilmResult& film) const {
    const std::size_t count = std::min(Args_.Top, film.Judged.size());
    if (Args_.Json) {
      std::string json = "{\"videos\":[";
      for (std::size_t i = 0; i < film.Videos.size(); ++i) json += (i ? "," : "") + Utf8JsonString(film.Videos[i].string());
      json += "],\"rows\":[";
      for (std::size_t rank = 0; rank < count; ++rank) {
        const TJudgedRow& judged = film.Judged[rank];
        const TResultRow& row = film.Rows[judged.Row];
        json += std::string(rank ? "," : "") + "{\"rank\":" + std::to_string(rank + 1) +
                ",\"score\":" + std::to_string(judged.Score.Value) + ",\"site\":" +
                Utf8JsonString(SiteName(row, Sites_)) + ",\"reasons\":" + ReasonsJson(judged.Score) +
                ",\"refused\":" + (judged.Candidate() ? "null" : JsonString(judged.Refusal)) +
                ",\"row\":" + RowLine(row, true) + "}";
      }
      std::cout << json << "]}\n";
      return;
    }
    for (std::size_t rank = 0; rank < count; ++rank) {
      const TJudgedRow& judged = film.Judged[rank];
      const TResultRow& row = film.Rows[judged.Row];
      std::cout << Utf8TabField(film.Videos.front().string()) << '\t' << rank + 1 << '\t' << judged.Score.Value
                << '\t' << SiteName(row, Sites_) << '\t' << TabField(row.Info.Url) << '\t'
                << TabField(row.Info.FilmName) << '\t' << TabField(row.Info.Language) << '\t'
                << TabField(ReasonsText(judged.Score)) << '\t' << TabField(judged.Refusal) << '\n';
    }
  }

  const TGetArgs& Args_;
  const TSiteTable& Sites_;
};

// What every film shares, from the arguments and the program's settings.
std::optional<TFilmSettings> SettingsFor(const TGetArgs& args, const TProgramFiles& files, TErrorLines& errors) {
  TFilmSettings settings;
  const auto ini = files.PathOf(TProgramFile::Ini);
  settings.Languages = args.Languages.empty() ? ReadPreferredLanguages(ini) : args.Languages;
  if (args.Sites) {
    settings.Sites = *args.Sites;
  } else {
    settings.Sites.fill(true);
  }
  settings.Connections = args.Connections.value_or(ReadConnections(ini));
  settings.Options = ReadDownloadOptions(ini);
  settings.Options.SyncToAudio = settings.Options.SyncToAudio || args.Sync;
  settings.Force = args.Force;
  settings.DryRun = args.DryRun;
  settings.Interrupted = &Interrupted;
  if (args.Verbose) {
    settings.Diagnostics = std::make_shared<TDiagnostics>([&errors](std::string_view line) { errors.Write(line); });
  }
  try {
    settings.Proxy = TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForTransfer();
  } catch (const TProxyFileError& error) {
    errors.Write(error.what());
    return std::nullopt;
  }
  return settings;
}

// The films run on `workers` threads at once, each film with its share of
// the connections, so that no site ever has more requests at once than the
// setting allows. Results are printed in the films' order as they come.
class TFilmRunner {
 public:
  TFilmRunner(const TFilmSettings& settings, const TCollectedFilms& films, const TGetOutput& output,
              TErrorLines& errors)
      : Settings_(settings), Films_(films.Films), Output_(output), Errors_(errors), Results_(Films_.size()) {}

  // True when every film has a subtitle beside its videos.
  bool Run() {
    const std::size_t workers = std::min<std::size_t>(Films_.size(), static_cast<std::size_t>(Settings_.Connections));
    Share_ = Settings_;
    Share_.Connections = std::max(1, Settings_.Connections / static_cast<int>(std::max<std::size_t>(workers, 1)));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([this] { Work(); });
    const bool allDone = PrintInOrder();
    for (auto& thread : threads) thread.join();
    return allDone;
  }

 private:
  void Work() {
    for (;;) {
      const std::size_t film = Next_.fetch_add(1);
      if (film >= Films_.size() || Interrupted.load()) break;
      if (isatty(STDERR_FILENO)) {
        Errors_.Write("[" + std::to_string(film + 1) + "/" + std::to_string(Films_.size()) + "] " +
                      Utf8ToCp1254(Films_[film].front().string()));
      }
      TFilmResult result = TFilmJob(Share_, Films_[film]).Run();
      std::lock_guard lock(Mutex_);
      Results_[film] = std::move(result);
      Arrived_.notify_all();
    }
    std::lock_guard lock(Mutex_);
    ++Finished_;
    Arrived_.notify_all();
  }

  bool PrintInOrder() {
    bool allDone = true;
    for (std::size_t film = 0; film < Films_.size(); ++film) {
      std::unique_lock lock(Mutex_);
      Arrived_.wait(lock, [&] { return Results_[film] || Finished_ == Workers(); });
      if (!Results_[film]) return false;
      const TFilmResult result = std::move(*Results_[film]);
      lock.unlock();
      if (result.Interrupted) return false;
      for (const auto& note : result.Notes) Errors_.Write(note);
      Output_.Print(result);
      std::cout << std::flush;
      allDone = allDone && (Settings_.DryRun ? result.HasCandidate() : result.Done());
    }
    return allDone;
  }

  std::size_t Workers() const {
    return std::min<std::size_t>(Films_.size(), static_cast<std::size_t>(Settings_.Connections));
  }

  const TFilmSettings& Settings_;
  TFilmSettings Share_;
  const std::vector<std::vector<std::filesystem::path>>& Films_;
  const TGetOutput& Output_;
  TErrorLines& Errors_;
  std::atomic<std::size_t> Next_{0};
  std::mutex Mutex_;
  std::condition_variable Arrived_;
  std::vector<std::optional<TFilmResult>> Results_;
  std::size_t Finished_ = 0;
};

}  // namespace

int RunGetCommand(const std::vector<std::string_view>& commandArgs) {
  const auto args = ParseGetArgs(commandArgs);
  if (!args) return kExitUsage;
  TErrorLines errors;
  const TProgramFiles files = TProgramFiles::OfThisProgram();
  const auto settings = SettingsFor(*args, files, errors);
  if (!settings) return kExitFailed;

  const TCollectedFilms films = CollectFilms(args->Paths);
  for (const auto& missing : films.Missing) {
    errors.Write(FillIn(Tr1254(kMissing), {Utf8ToCp1254(missing.string())}));

  }
  std::signal(SIGINT, OnGetInterrupt);
  std::signal(SIGTERM, OnGetInterrupt);
  const TGetOutput output(*args, ConfiguredSites());
  const bool allDone = TFilmRunner(*settings, films, output, errors).Run();
  if (Interrupted.load()) return kExitInterrupted;
  return allDone && films.Missing.empty() && !films.Films.empty() ? kExitClean : kExitFailed;
}

}  // namespace velkaro
