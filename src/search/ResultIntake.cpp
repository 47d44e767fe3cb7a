#include "ResultIntake.h"

#include <string>

#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kAnyFormat = "All";

TRowIcon BrowserPage(std::string_view) { return TRowIcon::WebPage; }
TRowIcon ProgramDownload(std::string_view) { return TRowIcon::Download; }

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

struct TIconRule {
  SiteId Site;
  TRowIcon (*Icon)(std::string_view url);
};

// Tested in this order; the first site whose host the address contains decides.
constexpr TIconRule kIconRules[] = {
    {SiteId::DivxForever, BrowserPage}, {SiteId::DivxSubtitles, BrowserPage}, {SiteId::ExtraTitles, ByFileType},
    {SiteId::SubDb, ProgramDownload},   {SiteId::Podnapisi, BrowserPage},
};

std::string NormalisedFormat(std::string_view format) { return LowerAscii(TrimView(format)); }

const TIconRule* RuleFor(std::string_view url, const TSiteTable& sites) {
  for (const auto& rule : kIconRules) {
    if (Contains(url, sites[rule.Site].BareHost())) return &rule;
  }
  return nullptr;
}

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
  const TIconRule* rule = RuleFor(url, sites);
  return rule ? rule->Icon(url) : TRowIcon::FilmReel;
}

std::optional<SiteId> SiteOfUrl(std::string_view url, const TSiteTable& sites) {
  const TIconRule* rule = RuleFor(url, sites);
  return rule ? std::optional(rule->Site) : std::nullopt;
}

}  // namespace velkaro
