// velkaro-cli: the search engine without a window.

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
#include "SearchCommand.h"
#include "SearchSession.h"
#include "TextHelpers.h"
#include "VideoCommand.h"

namespace velkaro {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitMarkers = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: velkaro-cli search [--sites LIST] [--lang ITEM] [--cd N|all] [--fps TEXT] [--format NAME]\n"
    "                          [--max TEXT] [--json] [--video PATH]... FILM\n";

// Message boxes become lines on stderr.
struct TConsolePrompt final : IUserPrompt {
  void ShowError(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  void ShowInformation(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  bool Confirm(std::string_view question, TButtons) override {
    std::cerr << Cp1254ToUtf8(question) << '\n';
    return false;
  }
};

// Backslash, tab, CR and LF escaped so that every row stays one line.
std::string TabField(std::string_view text) {
  std::string out;
  for (char c : Cp1254ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : Cp1254ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

constexpr const char* kJsonKeys[kColumnCount] = {"filmName", "url",       "language", "fps",
                                                 "cdCount",  "dateAdded", "uploader", "format"};

std::string RowLine(const TResultRow& row, bool json) {
  std::string line;
  if (json) {
    line = "{\"icon\":" + std::to_string(static_cast<int>(row.Icon));
    for (int column = 0; column < kColumnCount; ++column) {
      line += ",\"" + std::string(kJsonKeys[column]) + "\":" + JsonString(row.Column(column));
    }
    return line + "}";
  }
  line = std::to_string(static_cast<int>(row.Icon));
  for (int column = 0; column < kColumnCount; ++column) line += "\t" + TabField(row.Column(column));
  return line;
}

struct TSearchArgs {
  TSearchChoices Choices;
  bool Json = false;
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
    {"--video", [](std::string_view v, TSearchChoices& c) { c.Videos.emplace_back(v); return true; }},
};

TSearchChoices DefaultChoices() {
  TSearchChoices choices;
  choices.TickAll();
  choices.FormatItem = "All";
  return choices;
}

std::optional<TSearchArgs> ParseSearchArgs(const std::vector<std::string_view>& args,
                                           TSearchChoices base = DefaultChoices()) {
  TSearchArgs parsed{std::move(base)};
  bool haveFilm = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto arg = args[i];
    if (arg == "--json") {
      parsed.Json = true;
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
  if (!haveFilm && parsed.Choices.Videos.empty()) return std::nullopt;
  return parsed;
}

int Search(const std::vector<std::string_view>& args) {
  auto parsed = ParseSearchArgs(args);
  // Options given explicitly win over what the videos say.
  if (parsed && !parsed->Choices.Videos.empty()) {
    parsed = ParseSearchArgs(args, VideoSearchChoices(parsed->Choices.Videos, DefaultChoices()));
  }
  if (!parsed) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  auto ui = std::make_shared<TQueueDispatcher>();
  TConsolePrompt prompt;
  TSearchSession session(ui, prompt);
  TResultRows::TListener printer;
  printer.AfterAppend = [&](std::size_t row) {
    std::cout << RowLine(session.Rows()[row], parsed->Json) << '\n' << std::flush;
  };
  session.Rows().SetListener(std::move(printer));
  if (!RunSearchCommand(session, parsed->Choices, prompt)) return kExitUsage;
  while (!session.Idle()) ui->WaitAndProcess(std::chrono::seconds(1));

  const std::string& status = session.Panel(TSearchSession::kStatusPanel);
  std::cerr << Cp1254ToUtf8(status) << '\n';
  return status == kSearchClean ? kExitClean : kExitMarkers;
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
    {"video", [](const std::vector<std::string_view>& args) {
       const int status = RunVideoCommand(args);
       if (status == kExitUsage) std::cerr << kUsage << kDownloadUsage << kVideoUsage;
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
  std::cerr << velkaro::kUsage << velkaro::kDownloadUsage << velkaro::kVideoUsage;
  return velkaro::kExitUsage;
}
