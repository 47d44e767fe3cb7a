#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

// Podnapisi: a GET whose path and query the dialog builds, answered with a
// gzip member; a pager that states the page count; result rows marked by a
// download icon, read by walking to the row's links and labels.

namespace velkaro {

// The code sent for a dialog language item; 100 for an item the site map lacks.
std::int32_t PodnapisiLanguageCode(std::string_view item);
// The language name for a code read from a result page; empty for an unknown code.
std::string_view PodnapisiLanguageName(std::int32_t code);
// The path and query of the first result page, beginning with "/".
std::string BuildPodnapisiQuery(std::string_view film, std::int32_t languageCode);


// The result page walk: one record per download icon, each passed to
// `onRecord` before the next row is read. Throws TMissingToken or
// TConvertError where a row cannot be read; the records passed on stay.
void WalkPodnapisiResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord);
// The page count the pager icon's text states ("3 Pages" -> 3). Throws
// TMissingToken without the icon, TConvertError without a number.
std::int32_t ReadPodnapisiPageCount(const THTMLParser& page);

// Field rules on the values the walks find.
// The language of a category link's value ("...kategorija?jezik=30" -> "Turkish").
std::string_view PodnapisiLinkLanguage(std::string_view link);
// A frame rate text; "Timecode", "N/A" and "N\A" mean none.
std::string PodnapisiFrameRate(std::string_view text);
// "12.05.2004 @ 21:30" -> "12.05.2004".
std::string PodnapisiDate(std::string_view text);

}  // namespace velkaro
