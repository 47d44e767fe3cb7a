#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SearchSession.h"
#include "UserPrompt.h"

// What "&Ara" does with the advanced search dialog's choices, without the dialog.

namespace velkaro {

enum class TCdChoice { One, Two, Three, All, Custom };
enum class TFpsChoice { Fps23976, Fps25, Fps2997, All, Custom };

struct TSearchChoices {
  std::array<bool, kSiteCount> Ticked{};  // indexed by SiteId
  TCdChoice Cd = TCdChoice::All;
  std::string CustomCd;
  TFpsChoice Fps = TFpsChoice::All;
  std::string CustomFps;
  std::string FormatItem;    // empty when no item is selected
  std::string LanguageItem;  // empty when no item is selected
  std::string Film;
  std::string MaxText = "50";
  // The film's video files, remembered with the search for its download.
  std::vector<std::filesystem::path> Videos;
  // Requests per site at once; unset: the session's own.
  std::optional<int> Connections;

  void TickAll() { Ticked.fill(true); }
};

// Sets the session's filter options and launches one search per ticked site
// in the dialog's fixed order. Returns false, launching nothing, when the
// custom CD count is not a whole number; the error has been shown.
bool RunSearchCommand(TSearchSession& session, const TSearchChoices& choices, IUserPrompt& prompt);

// The radio item that stands for `count` CDs ("1 CD" to "3 CD"); none for other counts.
std::optional<TCdChoice> CdItemFor(std::int32_t count);
// The radio item whose frame rate is `fps` ("23,976", "25", "29,97"); none for other texts.
std::optional<TFpsChoice> FpsItemFor(std::string_view fps);

// The order in which ticked sites are launched.
inline constexpr std::array<SiteId, kSiteCount> kLaunchOrder = SitesBy(&TSiteFacts::LaunchPlace);

// A site's query from the dialog's film and language item, through that site's
// language map and query builder.
std::string BuildSiteQuery(SiteId site, const std::string& film, const std::string& language, std::int32_t maximum);

// "Hatalı [Extratitles.net] Maksimum Sonuç belirlediniz." for the configured host.
std::string BadMaximumMessage(const TSiteTable& sites);

}  // namespace velkaro
