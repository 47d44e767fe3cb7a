#include "DownloadCommand.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Dispatcher.h"
#include "DownloadRequest.h"
#include "DownloadThread.h"
#include "ExitStatus.h"
#include "ProgramFiles.h"
#include "ProgramSettings.h"
#include "ProxyFile.h"
#include "ReadySubtitle.h"
#include "Sites.h"
#include "SubtitleSync.h"
#include "SyncCommand.h"
#include "TerminalDiagnostics.h"
#include "TextHelpers.h"
#include "VideoFacts.h"

namespace velkaro {

namespace {

// The row's texts as the window reads them, in code page 1254.
struct TDownloadArgs {
  std::string Url;
  std::string Film;
  std::string Cd;
  std::string Fps;
  std::string Date;
  std::string Language;
  std::filesystem::path Out = ".";
  // The film's parts, in part order: the subtitle is made ready beside them.
  std::vector<std::filesystem::path> Videos;
  bool Force = false;
  bool Sync = false;
  bool Verbose = false;
};

struct TDownloadOption {
  std::string_view Name;
  bool TakesValue;
  void (*Apply)(std::string_view value, TDownloadArgs& args);
};

const TDownloadOption kDownloadOptions[] = {
    {"--url", true, [](std::string_view v, TDownloadArgs& a) { a.Url = Utf8ToCp1254(v); }},
    {"--film", true, [](std::string_view v, TDownloadArgs& a) { a.Film = Utf8ToCp1254(v); }},
    {"--cd", true, [](std::string_view v, TDownloadArgs& a) { a.Cd = Utf8ToCp1254(v); }},
    {"--fps", true, [](std::string_view v, TDownloadArgs& a) { a.Fps = Utf8ToCp1254(v); }},
    {"--date", true, [](std::string_view v, TDownloadArgs& a) { a.Date = Utf8ToCp1254(v); }},
    {"--language", true, [](std::string_view v, TDownloadArgs& a) { a.Language = Utf8ToCp1254(v); }},
    {"--out", true, [](std::string_view v, TDownloadArgs& a) { a.Out = std::filesystem::path(v); }},
    {"--video", true, [](std::string_view v, TDownloadArgs& a) { a.Videos.emplace_back(v); }},
    {"--force", false, [](std::string_view, TDownloadArgs& a) { a.Force = true; }},
    {"--sync", false, [](std::string_view, TDownloadArgs& a) { a.Sync = true; }},
    {"--verbose", false, [](std::string_view, TDownloadArgs& a) { a.Verbose = true; }},
};

std::optional<TDownloadArgs> ParseDownloadArgs(const std::vector<std::string_view>& args) {
  TDownloadArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto option = std::find_if(std::begin(kDownloadOptions), std::end(kDownloadOptions),
                                     [&](const TDownloadOption& o) { return o.Name == args[i]; });
    if (option == std::end(kDownloadOptions)) return std::nullopt;
    if (!option->TakesValue) {
      option->Apply({}, parsed);
      continue;
    }
    if (++i >= args.size()) return std::nullopt;
    option->Apply(args[i], parsed);
  }
  if (parsed.Url.empty()) return std::nullopt;
  return parsed;
}

// The film, CD and FPS texts of the proposed name. Not given, they come from
// the videos as `search --video` takes them; the row's own FPS (the
// subtitle's, for the frame conversion) stays as given.
struct TNameParts {
  std::string Film;
  std::string Cd;
  std::string Fps;
};

TNameParts NamePartsOf(const TDownloadArgs& args) {
  TNameParts parts{args.Film, args.Cd, args.Fps};
  if (args.Videos.empty()) return parts;
  const TVideoFacts facts = ReadVideoFacts(args.Videos);
  if (parts.Film.empty()) parts.Film = Utf8ToCp1254(facts.Title);
  if (parts.Cd.empty() && facts.PartCount > 0) parts.Cd = std::to_string(facts.PartCount);
  if (parts.Fps.empty()) parts.Fps = facts.Fps;
  return parts;
}

std::filesystem::path ProposedPath(const TDownloadArgs& args, const TNameParts& name, std::string_view extension) {
  return args.Out / Cp1254ToUtf8(ProposedFileName(name.Film, name.Cd, name.Fps, extension));
}

// The box's lines as terminal lines.
std::string TerminalText(std::string_view engineText) {
  std::string text = Cp1254ToUtf8(engineText);
  std::erase(text, '\r');
  return text;
}

void PrintLines(std::string_view engineText) {
  if (!engineText.empty()) std::cerr << TerminalText(engineText) << '\n';
}

// The saved download unpacked and converted beside the videos. Without
// --force an existing file stops it before anything is written.
int MakeReady(const TDownloadArgs& args, const std::filesystem::path& downloaded, const TDownloadOptions& options) {
  TReadyPlan plan = PlanReadySubtitles({downloaded, args.Videos, args.Fps, args.Language, options});
  if (args.Sync || options.SyncToAudio) {
    try {
      SyncReadyPlan(plan, TerminalSpeechListener());
      EndSpeechProgress();
    } catch (const TSpeechStopped&) {
      EndSpeechProgress();
      return kExitInterrupted;
    }
  }
  for (const std::string& message : plan.Messages) PrintLines(message);
  if (!args.Force) {
    const TReadyWritten existing{{}, ExistingTargets(plan)};
    if (!existing.Refused.empty()) {
      PrintLines(RefusedFilesText(existing));
      return kExitFailed;
    }
  }
  try {
    // A file that appeared since the check is left alone, unless forced.
    const TReadyWritten written =
        WriteReadySubtitles(plan, [&args](const std::filesystem::path&) { return args.Force; });
    for (const auto& file : written.Written) std::cout << file.string() << '\n';
    PrintLines(WrittenFilesText(written));
    PrintLines(RefusedFilesText(written));
    if (!written.Refused.empty()) return kExitFailed;
    // A video left without a subtitle beside it is no success; the messages above say why.
    if (written.Written.size() < args.Videos.size()) return kExitFailed;
  } catch (const TDownloadFileError& error) {
    std::cerr << error.what() << '\n';
    return kExitFailed;
  }
  return kExitClean;
}

}  // namespace

int RunDownloadCommand(const std::vector<std::string_view>& commandArgs) {
  const auto args = ParseDownloadArgs(commandArgs);
  if (!args) return kExitUsage;
  const TSiteTable& sites = ConfiguredSites();
  const TDownloadRoute route = RouteDownload(args->Url, sites);
  if (!route.Downloads()) {
    std::cout << Cp1254ToUtf8(args->Url) << '\n';
    return kExitBrowser;
  }

  const TProgramFiles files = TProgramFiles::OfThisProgram();
  TProxySetting proxy;
  try {
    proxy = TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForTransfer();
  } catch (const TProxyFileError& error) {
    std::cerr << TerminalText(error.what()) << '\n';
    return kExitFailed;
  }

  auto ui = std::make_shared<TQueueDispatcher>();
  auto thread = TDownloadThread::Create(ui, files, sites);
  thread->UseProxy = proxy.UseProxy;
  thread->ProxyHost = proxy.Host;
  thread->ProxyPort = proxy.Port;
  thread->Referer = route.Referer;
  thread->Url = args->Url;
  if (args->Verbose) thread->Diagnostics = DiagnosticsOnStandardError();
  const TNameParts name = NamePartsOf(*args);
  if (route.TargetFirst) thread->SavePath = ProposedPath(*args, name, AddressExtension(args->Url));
  // No one to ask: the proposed name is taken as it stands.
  thread->OnAskSavePath = [&](const std::string& extension) { return ProposedPath(*args, name, extension); };
  bool ended = false;
  bool saved = false;
  thread->OnTerminate = [&](TDownloadThread& done) {
    saved = done.Completed() && done.CommitTarget();
    ended = true;
  };
  thread->Start();
  while (!ended) ui->WaitAndProcess(std::chrono::seconds(1));
  thread->Join();

  if (!saved) {
    if (!thread->FailureText().empty()) std::cerr << thread->FailureText() << '\n';
    return kExitFailed;
  }
  std::cout << thread->SavePath.string() << '\n';
  std::cerr << TerminalText(DownloadedMessage(name.Film, name.Fps, name.Cd, args->Date)) << '\n';
  if (args->Videos.empty()) return kExitClean;
  return MakeReady(*args, thread->SavePath, ReadDownloadOptions(files.PathOf(TProgramFile::Ini)));
}

}  // namespace velkaro
