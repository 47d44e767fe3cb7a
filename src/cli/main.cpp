// velkaro-cli: the search engine without a window.

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "ConsolePrompt.h"
#include "Dispatcher.h"
#include "DownloadCommand.h"
#include "ExitStatus.h"
#include "GetCommand.h"
#include "Interrupt.h"
#include "ProgramVersion.h"
#include "ProgramFiles.h"
#include "ProgramSettings.h"
#include "RowFormat.h"
#include "SearchArgs.h"
#include "SearchCommand.h"
#include "SearchSession.h"
#include "SyncCommand.h"
#include "TerminalDiagnostics.h"
#include "TextHelpers.h"
#include "UserText.h"
#include "VideoCommand.h"

namespace velkaro {
namespace {

constexpr std::chrono::milliseconds kInterruptPoll{100};

constexpr const char* kUsage =
    VK_TEXT("usage: velkaro-cli search [--sites LIST] [--lang ITEM] [--cd N|all] [--fps TEXT] [--format NAME]\n"
            "                          [--max TEXT] [--connections N] [--json] [--verbose] [--video PATH]... [FILM]\n"
            "                          (FILM, --video or both)\n");

// Every command's usage, as --help and a wrong call show it.
std::string FullUsage() {
  std::string usage;
  for (const char* text : {kUsage, kDownloadUsage, kVideoUsage, kGetUsage, kSyncUsage, kInfoUsage}) usage += Tr(text);
  return usage;
}

int Search(const std::vector<std::string_view>& args) {
  auto parsed = ParseSearchArgs(args);
  // Options given explicitly win over what the videos say.
  if (parsed && !parsed->Choices.Videos.empty()) {
    parsed = ParseSearchArgs(args, VideoSearchChoices(parsed->Choices.Videos, DefaultChoices()));
  }
  if (!parsed) {
    std::cerr << FullUsage();
    return kExitUsage;
  }
  auto ui = std::make_shared<TQueueDispatcher>();
  TConsolePrompt prompt;
  std::string status;
  {
    TSearchSession session(ui, prompt);
    session.Connections = ReadConnections(session.Files().PathOf(TProgramFile::Ini));
    TResultRows::TListener printer;
    printer.AfterAppend = [&](std::size_t row) {
      std::cout << RowLine(session.Rows()[row], parsed->Json) << '\n' << std::flush;
    };
    session.Rows().SetListener(std::move(printer));
    if (parsed->Verbose) {
      session.Diagnostics = DiagnosticsOnStandardError();
    }
    // Ctrl+C does what "Durdur" does; the rows found so far stay printed.
    CatchInterrupts();
    if (!RunSearchCommand(session, parsed->Choices, prompt)) return kExitUsage;
    while (!session.Idle()) {
      ui->WaitAndProcess(kInterruptPoll);
      if (Interrupted() && !session.Idle()) session.Stop();
    }
    status = session.Panel(TSearchSession::kStatusPanel);
  }
  // The session has waited for every worker, so their last diagnostics are out
  // and the status is the last line. The end notifications of stopped
  // searches still queued hold their threads: dropped, they let them go.
  ui->Shutdown();
  std::cerr << Cp1254ToUtf8(status) << '\n';
  if (Interrupted()) return kExitInterrupted;
  return status == Tr1254(kSearchClean) ? kExitClean : kExitFailed;
}

// A command whose wrong call is answered with every command's usage.
template <int (*Run)(const std::vector<std::string_view>&)>
int ShowingUsage(const std::vector<std::string_view>& args) {
  const int status = Run(args);
  if (status == kExitUsage) std::cerr << FullUsage();
  return status;
}

struct TCommand {
  std::string_view Name;
  int (*Run)(const std::vector<std::string_view>& args);
};

constexpr TCommand kCommands[] = {
    {"search", Search},
    {"download", ShowingUsage<RunDownloadCommand>},
    {"video", ShowingUsage<RunVideoCommand>},
    {"get", ShowingUsage<RunGetCommand>},
    {"sync", ShowingUsage<RunSyncCommand>},
};

}  // namespace
}  // namespace velkaro

int main(int argc, char** argv) {
  const auto ini = velkaro::TProgramFiles::OfThisProgram().PathOf(velkaro::TProgramFile::Ini);
  velkaro::SetLanguage(velkaro::ChooseLanguage(ini, std::getenv));
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") {
    std::cout << velkaro::FullUsage();
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "velkaro " << velkaro::kProgramVersion << '\n';
    return 0;
  }
  for (const auto& command : velkaro::kCommands) {
    if (!args.empty() && args[0] == command.Name) return command.Run({args.begin() + 1, args.end()});
  }
  std::cerr << velkaro::FullUsage();
  return velkaro::kExitUsage;
}
