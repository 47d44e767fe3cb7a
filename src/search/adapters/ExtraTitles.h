#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

namespace velkaro {

std::int32_t ExtraTitlesLanguageCode(std::string_view item);
std::string BuildExtraTitlesQuery(std::string_view film, std::int32_t languageCode, std::int32_t maxResults);

// The result page walk: one record per flag image, before its detail page.
void WalkExtraTitlesResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord);
// Reads a detail page's tokens into `record`.
void ReadExtraTitlesDetails(const THTMLParser& page, const std::string& siteBase, TSubtitleInfo& record);
// "Jan, 05 2004" -> "05.01.04".
std::string ConvertExtraTitlesDate(std::string_view text);
// "25 fps" -> "25"; a text without a space, or starting with one, gives "".
std::string ExtraTitlesFrameRate(std::string_view text);

}  // namespace velkaro
