#include "GetArgs.h"

#include <algorithm>

#include "CodePage.h"
#include "ProgramSettings.h"
#include "SearchArgs.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr int kMaxTop = 1000;

struct TGetOption {
  std::string_view Name;
  bool TakesValue;
  bool (*Apply)(std::string_view value, TGetArgs& args);
};

const TGetOption kGetOptions[] = {
    {"--lang", true,
     [](std::string_view v, TGetArgs& a) {
       a.Languages.push_back(Utf8ToCp1254(Trim(v)));
       return !a.Languages.back().empty();
     }},
    {"--sites", true,
     [](std::string_view v, TGetArgs& a) {
       a.Sites = ParseSiteList(v);
       return a.Sites.has_value();
     }},
    {"--connections", true,
     [](std::string_view v, TGetArgs& a) {
       const auto connections = ParseInt(v);
       if (!connections || !ValidConnections(*connections)) return false;
       a.Connections = *connections;
       return true;
     }},
    {"--top", true,
     [](std::string_view v, TGetArgs& a) {
       const auto top = ParseInt(v);
       if (!top || *top < 1 || *top > kMaxTop) return false;
       a.Top = static_cast<std::size_t>(*top);
       return true;
     }},
    {"--force", false, [](std::string_view, TGetArgs& a) { return a.Force = true; }},
    {"--dry-run", false, [](std::string_view, TGetArgs& a) { return a.DryRun = true; }},
    {"--json", false, [](std::string_view, TGetArgs& a) { return a.Json = true; }},
    {"--verbose", false, [](std::string_view, TGetArgs& a) { return a.Verbose = true; }},
    {"--sync", false, [](std::string_view, TGetArgs& a) { return a.Sync = true; }},
};

}  // namespace

std::optional<TGetArgs> ParseGetArgs(const std::vector<std::string_view>& args) {
  TGetArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!args[i].starts_with("--")) {
      parsed.Paths.emplace_back(args[i]);
      continue;
    }
    const auto option = std::find_if(std::begin(kGetOptions), std::end(kGetOptions),
                                     [&](const TGetOption& o) { return o.Name == args[i]; });
    if (option == std::end(kGetOptions)) return std::nullopt;
    std::string_view value;
    if (option->TakesValue) {
      if (++i >= args.size()) return std::nullopt;
      value = args[i];
    }
    if (!option->Apply(value, parsed)) return std::nullopt;
  }
  if (parsed.Paths.empty()) return std::nullopt;
  return parsed;
}

}  // namespace velkaro
