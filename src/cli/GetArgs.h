#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Sites.h"
#include "SubtitleInfo.h"
#include "UserText.h"

// velkaro-cli get's arguments.

namespace velkaro {

inline constexpr const char* kGetUsage =
    VK_TEXT("       velkaro-cli get [--lang ITEM]... [--sites LIST] [--connections N] [--force] [--dry-run] [--top N]\n"
            "                       [--json] [--verbose] [--sync] PATH...\n");

struct TGetArgs {
  std::vector<std::string> Languages;  // in order of preference, engine texts; empty: velkaro.ini's
  std::optional<std::array<bool, kSiteCount>> Sites;  // none: every site
  std::optional<int> Connections;                     // none: velkaro.ini's
  bool Force = false;
  bool DryRun = false;
  std::size_t Top = 5;  // rows per film a dry run shows
  bool Json = false;
  bool Verbose = false;
  bool Sync = false;  // also on with velkaro.ini's syncToAudio
  std::vector<std::filesystem::path> Paths;
};

// Nothing for a wrong call: an unknown option, a value missing or out of
// range, no path.
std::optional<TGetArgs> ParseGetArgs(const std::vector<std::string_view>& args);

}  // namespace velkaro
