#include "SearchCommand.h"

#include "ProxyFile.h"
#include "TextHelpers.h"
#include "UserText.h"

#include "adapters/SiteAdapters.h"

namespace velkaro {

namespace {

constexpr std::int32_t kFallbackMaximum = 20;

struct TCdValue {
  TCdChoice Choice;
  std::int32_t Count;
};
constexpr TCdValue kCdValues[] = {
    {TCdChoice::One, 1}, {TCdChoice::Two, 2}, {TCdChoice::Three, 3}, {TCdChoice::All, -1}};

struct TFpsValue {
  TFpsChoice Choice;
  const char* Text;
};
constexpr TFpsValue kFpsValues[] = {
    {TFpsChoice::Fps23976, "23,976"}, {TFpsChoice::Fps25, "25"}, {TFpsChoice::Fps2997, "29,97"}, {TFpsChoice::All, ""}};

// Throws TConvertError for a custom count that is not a whole number.
std::int32_t CdCountOf(const TSearchChoices& choices) {
  if (choices.Cd == TCdChoice::Custom) return ToInt(choices.CustomCd);
  for (const auto& value : kCdValues) {
    if (value.Choice == choices.Cd) return value.Count;
  }
  return -1;
}

std::string FpsOf(const TSearchChoices& choices) {
  if (choices.Fps == TFpsChoice::Custom) return choices.CustomFps;
  for (const auto& value : kFpsValues) {
    if (value.Choice == choices.Fps) return value.Text;
  }
  return {};
}

}  // namespace

std::optional<TCdChoice> CdItemFor(std::int32_t count) {
  for (const auto& value : kCdValues) {
    if (value.Count == count && value.Choice != TCdChoice::All) return value.Choice;
  }
  return std::nullopt;
}

std::optional<TFpsChoice> FpsItemFor(std::string_view fps) {
  for (const auto& value : kFpsValues) {
    if (value.Text == fps && value.Choice != TFpsChoice::All) return value.Choice;
  }
  return std::nullopt;
}

std::string BuildSiteQuery(SiteId site, const std::string& film, const std::string& language, std::int32_t maximum) {
  return SiteAdapterFor(site).BuildQuery(film, language, maximum);
}

std::string BadMaximumMessage(const TSiteTable& sites) {
  return FillIn(Tr1254("Hatalı [%1] Maksimum Sonuç belirlediniz."), {sites[SiteId::ExtraTitles].ErrorLabel()});
}

bool RunSearchCommand(TSearchSession& session, const TSearchChoices& choices, IUserPrompt& prompt) {
  session.SearchOptions.CdCount = -1;
  try {
    session.SearchOptions.CdCount = CdCountOf(choices);
  } catch (const TConvertError& error) {
    prompt.ShowError(error.what());
    return false;
  }
  session.SearchOptions.Fps = FpsOf(choices);
  session.SearchOptions.Format = choices.FormatItem;
  session.BeginSearch({.Film = choices.Film, .Options = session.SearchOptions, .Videos = choices.Videos});
  if (choices.Connections) session.Connections = *choices.Connections;

  std::int32_t maximum = kFallbackMaximum;
  if (const auto parsed = ParseInt(choices.MaxText)) {
    maximum = *parsed;
  } else {
    prompt.ShowError(BadMaximumMessage(session.Sites()));
  }

  // Read once for all the sites of this search.
  const TLaunchProxy proxy = TProxyFile::Read(session.Files().PathOf(TProgramFile::Proxy)).ForSearch();
  for (const SiteId site : kLaunchOrder) {
    if (!choices.Ticked[static_cast<std::size_t>(site)]) continue;
    session.LaunchSearch(site, BuildSiteQuery(site, choices.Film, choices.LanguageItem, maximum), choices.Film, proxy);
  }
  return true;
}

}  // namespace velkaro
