#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

namespace velkaro {

// Rows the first request asks for, and rows every further page is assumed to
// hold. The site answers both as asked, so rows 41 to 50 of a search are
// never requested.
inline constexpr int kDivxSubtitlesFirstPageRows = 40;
inline constexpr int kDivxSubtitlesPageRows = 50;

std::int32_t DivxSubtitlesLanguageCode(std::string_view item);
std::string BuildDivxSubtitlesQuery(std::string_view film, std::int32_t languageCode);

// The result page walk: every field but Fps, one record per result link.
void WalkDivxSubtitlesResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord);
// The frame rate of a tokenized detail page, cleaned; the last label wins.
std::string ReadDivxSubtitlesFps(const THTMLParser& page);
// "23.976 FPS" -> "23.976", "25FPS" -> "25", "N/A" -> "", "25" -> "25".
std::string CleanDivxSubtitlesFps(std::string_view text);
// The result count the first page states; 0 without one. Throws
// TConvertError for a count that is not a number, TMissingToken for a
// statement at the very top of the page.
std::int32_t ReadDivxSubtitlesTotal(const THTMLParser& page);
// Pages of 50 that `total` results fill, the last one partly.
std::int64_t DivxSubtitlesPageCount(std::int64_t total);
// Path of result page `page` (2 and up) below the site base, built from the
// film and language values of the first request's form body.
std::string DivxSubtitlesPagePath(std::string_view queryText, std::int64_t page);

}  // namespace velkaro
