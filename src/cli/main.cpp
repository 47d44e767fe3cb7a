// velkaro-cli: the search engine without a window.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Dispatcher.h"
#include "DownloadCommand.h"
#include "ExitStatus.h"
#include "ProgramSettings.h"
#include "RowFormat.h"
#include "SearchCommand.h"
#include "SearchSession.h"
#include "TextHelpers.h"

namespace velkaro {
namespace {

constexpr std::chrono::milliseconds kInterruptPoll{100};

constexpr const char* kUsage =
    "usage: velkaro-cli search [--sites LIST] [--lang ITEM] [--cd N|all] [--fps TEXT] [--format NAME]\n"
    "                          [--max TEXT] [--connections N] [--json] [--verbose] FILM\n";

// Message boxes become lines on stderr.
struct TConsolePrompt final : IUserPrompt {
  void ShowError(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  void ShowInformation(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  bool Confirm(std::string_view question, TButtons) override {
    std::cerr << Cp1254ToUtf8(question) << '\n';
    return false;
  }
};

struct TSearchArgs {
  TSearchChoices Choices;
  bool Json = false;
  bool Verbose = false;
};

bool ApplySites(std::string_view list, TSearchChoices& choices) {
  choices.Ticked.fill(false);
  for (const auto& name : SplitText(list, ",")) {
    const auto site = SiteIdFromName(Trim(name));
    if (!site) return false;
    choices.Ticked[static_cast<std::size_t>(*site)] = true;
  }
  return std::find(choices.Ticked.begin(), choices.Ticked.end(), true) != choices.Ticked.end();
}

bool ApplyCd(std::string_view text, TSearchChoices& choices) {
  if (LowerAscii(text) == "all") {
    choices.Cd = TCdChoice::All;
    return true;
  }
  if (!ParseInt(text)) return false;
  choices.Cd = TCdChoice::Custom;
  choices.CustomCd = std::string(text);
  return true;
}

// The options that take a value, and where each goes.
struct TValueOption {
  std::string_view Name;
  bool (*Apply)(std::string_view value, TSearchChoices& choices);
};

const TValueOption kValueOptions[] = {
    {"--sites", ApplySites},
    {"--lang", [](std::string_view v, TSearchChoices& c) { c.LanguageItem = Utf8ToCp1254(v); return true; }},
    {"--cd", ApplyCd},
    {"--fps",
     [](std::string_view v, TSearchChoices& c) {
       c.Fps = TFpsChoice::Custom;
       c.CustomFps = Utf8ToCp1254(v);
       return true;
     }},
    {"--format", [](std::string_view v, TSearchChoices& c) { c.FormatItem = Utf8ToCp1254(v); return true; }},
    {"--max", [](std::string_view v, TSearchChoices& c) { c.MaxText = Utf8ToCp1254(v); return true; }},
    {"--connections",
     [](std::string_view v, TSearchChoices& c) {
       const auto connections = ParseInt(v);
       if (!connections || !ValidConnections(*connections)) return false;
       c.Connections = *connections;
       return true;
     }},
};

std::optional<TSearchArgs> ParseSearchArgs(const std::vector<std::string_view>& args) {
  TSearchArgs parsed;
  parsed.Choices.TickAll();
  parsed.Choices.FormatItem = "All";
  bool haveFilm = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto arg = args[i];
    if (arg == "--json" || arg == "--verbose") {
      (arg == "--json" ? parsed.Json : parsed.Verbose) = true;
      continue;
    }
    if (!arg.starts_with("--")) {
      if (haveFilm) return std::nullopt;
      parsed.Choices.Film = Utf8ToCp1254(arg);
      haveFilm = true;
      continue;
    }
    const auto option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                     [&](const TValueOption& o) { return o.Name == arg; });
    if (option == std::end(kValueOptions) || i + 1 >= args.size()) return std::nullopt;
    if (!option->Apply(args[++i], parsed.Choices)) return std::nullopt;
  }
  if (!haveFilm) return std::nullopt;
  return parsed;
}

// Ctrl+C does what "Durdur" does; the rows found so far stay printed.
volatile std::sig_atomic_t Interrupted = 0;
extern "C" void OnInterrupt(int) { Interrupted = 1; }

int Search(const std::vector<std::string_view>& args) {
  const auto parsed = ParseSearchArgs(args);
  if (!parsed) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  auto ui = std::make_shared<TQueueDispatcher>();
  TConsolePrompt prompt;
  std::string status;
  {
    TSearchSession session(ui, prompt);
    session.Connections = ReadConnections(ExecutableDir() / kProgramSettingsFileName);
    TResultRows::TListener printer;
    printer.AfterAppend = [&](std::size_t row) {
      std::cout << RowLine(session.Rows()[row], parsed->Json) << '\n' << std::flush;
    };
    session.Rows().SetListener(std::move(printer));
    if (parsed->Verbose) {
      session.Diagnostics =
          std::make_shared<TDiagnostics>([](std::string_view line) { std::cerr << Cp1254ToUtf8(line) << '\n'; });
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    if (!RunSearchCommand(session, parsed->Choices, prompt)) return kExitUsage;
    while (!session.Idle()) {
      ui->WaitAndProcess(kInterruptPoll);
      if (Interrupted && !session.Idle()) session.Stop();
    }
    status = session.Panel(TSearchSession::kStatusPanel);
  }
  // The session has waited for every worker, so their last diagnostics are out
  // and the status is the last line.
  std::cerr << Cp1254ToUtf8(status) << '\n';
  if (Interrupted) return kExitInterrupted;
  return status == kSearchClean ? kExitClean : kExitFailed;
}

struct TCommand {
  std::string_view Name;
  int (*Run)(const std::vector<std::string_view>& args);
};

constexpr TCommand kCommands[] = {
    {"search", Search},
    {"download", [](const std::vector<std::string_view>& args) {
       const int status = RunDownloadCommand(args);
       if (status == kExitUsage) std::cerr << kUsage << kDownloadUsage;
       return status;
     }},
};

}  // namespace
}  // namespace velkaro

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  for (const auto& command : velkaro::kCommands) {
    if (!args.empty() && args[0] == command.Name) return command.Run({args.begin() + 1, args.end()});
  }
  std::cerr << velkaro::kUsage << velkaro::kDownloadUsage;
  return velkaro::kExitUsage;
}
