#include "SearchArgs.h"

#include <algorithm>

#include "CodePage.h"
#include "ProgramSettings.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

bool ApplySites(std::string_view list, TSearchChoices& choices) {
  const auto ticked = ParseSiteList(list);
  if (ticked) choices.Ticked = *ticked;
  return ticked.has_value();
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
    {"--connections",
     [](std::string_view v, TSearchChoices& c) {
       const auto connections = ParseInt(v);
       if (!connections || !ValidConnections(*connections)) return false;
       c.Connections = *connections;
       return true;
     }},
};

}  // namespace

std::optional<std::array<bool, kSiteCount>> ParseSiteList(std::string_view list) {
  std::array<bool, kSiteCount> ticked{};
  for (const auto& name : SplitText(list, ",")) {
    const auto site = SiteIdFromName(Trim(name));
    if (!site) return std::nullopt;
    ticked[static_cast<std::size_t>(*site)] = true;
  }
  if (std::find(ticked.begin(), ticked.end(), true) == ticked.end()) return std::nullopt;
  return ticked;
}

TSearchChoices DefaultChoices() {
  TSearchChoices choices;
  choices.TickAll();
  choices.FormatItem = "All";
  return choices;
}

std::optional<TSearchArgs> ParseSearchArgs(const std::vector<std::string_view>& args, TSearchChoices base) {
  TSearchArgs parsed{std::move(base)};
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
  if (!haveFilm && parsed.Choices.Videos.empty()) return std::nullopt;
  return parsed;
}

}  // namespace velkaro
