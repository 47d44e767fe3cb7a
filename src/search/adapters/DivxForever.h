#pragma once

#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

namespace velkaro {

// "All" -> "all", "English" -> "EN", ...; any other item gives "".
std::string DivxForeverLanguageCode(std::string_view item);
std::string BuildDivxForeverQuery(std::string_view film, std::string_view languageCode);


// The result page walk: one record per subtitle link, in page order. The title
// is the first text after the link holding `filmName` (ASCII case folded).
// A row whose fixed fall-back positions lie past the end throws TMissingToken.
void WalkDivxForeverResults(const THTMLParser& page, std::string_view filmName, const std::string& siteBase,
                            const TRecordSink& onRecord);

// The four values of a "23.976 fps - 2 CD - srt - TR" line; all empty unless
// the line has exactly four parts.
struct TDivxForeverDetails {
  std::string Fps;
  std::string CdCount;
  std::string Format;
  std::string Language;

  bool operator==(const TDivxForeverDetails&) const = default;
};
TDivxForeverDetails ReadDivxForeverDetailLine(std::string_view line);

// "G\xF6nderilme Tarihi: 17-05-2004, 21:30" -> "17.05.04".
std::string NormaliseDivxForeverDate(std::string_view label);

}  // namespace velkaro
