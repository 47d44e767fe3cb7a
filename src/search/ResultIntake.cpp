#include "ResultIntake.h"

#include <string>

#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kAnyFormat = "All";

TRowIcon ByFileType(std::string_view url) {
  struct TFileType {
    std::string_view Extension;
    TRowIcon Icon;
  };
  static constexpr TFileType kFileTypes[] = {
      {".rar", TRowIcon::RarArchive}, {".zip", TRowIcon::ZipArchive}, {".ace", TRowIcon::RarArchive}};
  const std::string extension = AddressExtension(url);
  for (const auto& type : kFileTypes) {
    if (type.Extension == extension) return type.Icon;
  }
  return TRowIcon::Document;
}

TRowIcon IconOf(TSiteRowKind kind, std::string_view url) {
  switch (kind) {
    case TSiteRowKind::Download: return TRowIcon::Download;
    case TSiteRowKind::WebPage: return TRowIcon::WebPage;
    case TSiteRowKind::ByFileType: return ByFileType(url);
  }
  return TRowIcon::FilmReel;
}

std::string NormalisedFormat(std::string_view format) { return LowerAscii(TrimView(format)); }

}  // namespace

void NormaliseFps(TSubtitleInfo& record) { ReplaceText(record.Fps, ".", ","); }

// Sites pad their columns ("2 ", " 2", "02"): the count is read as a number,
// and a count that is no number passes no set filter.
bool PassesFilters(const TAdvancedSearchOptions& options, const TSubtitleInfo& record) {
  if (options.CdCount != -1 && ParseInt(TrimView(record.CdCount)) != options.CdCount) return false;
  if (!options.Fps.empty() && TrimView(record.Fps) != TrimView(options.Fps)) return false;
  if (options.Format != kAnyFormat && NormalisedFormat(record.Format) != NormalisedFormat(options.Format)) {
    return false;
  }
  return true;
}

TRowIcon ChooseRowIcon(std::string_view url, const TSiteTable& sites) {
  const auto site = SiteOfUrl(url, sites);
  return site ? IconOf(FactsOf(*site).Rows, url) : TRowIcon::FilmReel;
}

// The first site, in host test order, whose host the address contains.
std::optional<SiteId> SiteOfUrl(std::string_view url, const TSiteTable& sites) {
  static constexpr auto kHostTestOrder = SitesBy(&TSiteFacts::HostTestPlace);
  for (const SiteId site : kHostTestOrder) {
    if (Contains(url, sites[site].BareHost())) return site;
  }
  return std::nullopt;
}

}  // namespace velkaro
