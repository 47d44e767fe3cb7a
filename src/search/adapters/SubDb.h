#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

namespace velkaro {

inline constexpr std::int64_t kSubDbPageSize = 20;

// "All" gives the encoded "[all languages]"; any other item its text
// lower-cased and trimmed, not encoded.
std::string SubDbLanguage(std::string_view item);
std::string BuildSubDbQuery(std::string_view film, std::string_view language);

// The page count stated by a tokenized first page: 0 when it states none.
// Throws TConvertError when the stated total is not a decimal integer.
std::int64_t ReadSubDbPageCount(const THTMLParser& page);
// Pages needed for `results` at 20 a page (rounded up).
std::int64_t SubDbPagesFor(std::int32_t results);

// Trimmed, then cut at its dash: "english - x" -> "english"; "-1" stays whole.
std::string SubDbFieldValue(std::string_view value);
// "2004-05-17 12:34:56" -> "17.05.04"; throws TConvertError when the part
// before the first blank has fewer than three "-" parts.
std::string ConvertSubDbDate(std::string_view value);

// The result page walk: one record per "title:" text, in page order.
void WalkSubDbResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord);

}  // namespace velkaro
