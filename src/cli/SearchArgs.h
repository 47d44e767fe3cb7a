#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "SearchCommand.h"

// velkaro-cli search's arguments: what "&Ara" is given, read from the command line.

namespace velkaro {

struct TSearchArgs {
  TSearchChoices Choices;
  bool Json = false;
  bool Verbose = false;
};

// "ExtraTitles,subdb": the sites named, case-insensitive; nothing when a name
// is unknown or none is given.
std::optional<std::array<bool, kSiteCount>> ParseSiteList(std::string_view list);

// Every site ticked, the format "All", the rest as the dialog starts.
TSearchChoices DefaultChoices();

// The arguments after "search" over `base`; nothing for a wrong call (an
// unknown option, a value missing, a second film, neither film nor video).
std::optional<TSearchArgs> ParseSearchArgs(const std::vector<std::string_view>& args,
                                           TSearchChoices base = DefaultChoices());

}  // namespace velkaro
