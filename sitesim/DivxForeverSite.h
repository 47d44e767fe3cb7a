#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "SimSite.h"

// DivxForever: a Turkish forum with a subtitle section. The search form is
// posted to /index.php?act=subz&CODE=06 and answered with one result page,
// gzip-compressed when the client accepts it; each row links its subtitle
// page (act=subz&CODE=03&id=...) and its uploader's profile.

namespace velkaro::sim {

struct TDivxForeverQuery {
  std::string Film;      // mname, decoded
  std::string Language;  // subtitle_lang: "all" or empty for every language, else a site code
};

TDivxForeverQuery ParseDivxForeverQuery(std::string_view formBody);

// The two-letter code the site shows for a catalogue language: "TR", "DE"...
std::string_view DivxForeverSiteLanguageCode(std::string_view language);

class TDivxForeverSite final : public TSimSite {
 public:
  explicit TDivxForeverSite(const TCatalogue& catalogue) : Catalogue_(catalogue) {}

  TResponse Answer(const TRequest& request) const override;

  std::vector<const TSimSubtitle*> Matches(const TDivxForeverQuery& query) const;
  // Uncompressed, as the client sees it after inflating.
  std::string ResultPage(const TDivxForeverQuery& query) const;
  // A result page holding exactly `rows`, in that order.
  static std::string ResultPage(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                                std::string_view searched);
  std::string SubtitlePage(const TSimSubtitle& subtitle) const;

  // "23.976 fps - 2 CD - srt - TR", or without the spaces before the units.
  static std::string DetailLine(const TSimSubtitle& subtitle);
  // "G\xF6nderilme Tarihi: 05-01-2004, 21:30".
  static std::string DateLabel(const TSimSubtitle& subtitle);
  // The file type the site shows for a format name: "srt", "sub", "ssa", "smi", "txt".
  static std::string_view Extension(std::string_view format);
  // Whether the site writes the units of `subtitle` with a space ("25 fps") or without ("25fps").
  static bool SpacedUnits(const TSimSubtitle& subtitle) { return subtitle.Id % 2 == 0; }
  // Whether the site shows the file type of `subtitle` upper-cased ("SRT").
  static bool UpperCaseExtension(const TSimSubtitle& subtitle) { return subtitle.Id % 3 == 0; }

 private:
  TResponse Search(const TRequest& request) const;

  const TCatalogue& Catalogue_;
};

}  // namespace velkaro::sim
