#include "Podnapisi.h"

#include <utility>

#include "SiteAdapters.h"
#include "TokenScan.h"
#include "TokenWalks.h"

namespace velkaro {

namespace {

// In the order of the dialog's language list; read both ways.
constexpr TItemCode<std::int32_t> kLanguages[] = {
    {"All", 0},       {"Turkish", 30},   {"English", 2},   {"Albanian", 29},  {"Bulgarian", 33},
    {"Chinese GB Code", 17},             {"Croatian", 38}, {"Czech", 7},      {"Estonian", 20},
    {"Finnish", 31},  {"French", 8},     {"Germany", 5},   {"Hungary", 15},   {"Italy", 9},
    {"Japanese", 11}, {"Korean", 4},     {"Portugese", 32}, {"Romanian", 13}, {"Russian", 27},
    {"Serbian", 36},  {"Spanish", 28},   {"Swedish", 25},
};

constexpr std::int32_t kUnknownLanguageCode = 100;

constexpr std::string_view kDownloadIcon = "/images/default/download.gif";

// Matched exactly: a row's icon differing in case or blanks marks no row.
bool IsDownloadIcon(const THTMLToken& token) {
  const THTMLTag* img = token.TagNamed("IMG");
  return img && img->ParamNamed(0, "SRC") && img->Params[0].Value == kDownloadIcon;
}

}  // namespace

std::int32_t PodnapisiLanguageCode(std::string_view item) {
  return LookUpItem(kLanguages, item, kUnknownLanguageCode);
}

std::string_view PodnapisiLanguageName(std::int32_t code) {
  for (const auto& language : kLanguages) {
    if (language.Code == code) return language.Item;
  }
  return {};
}

constexpr std::string_view kSearchPath = "/index.php/ppodnapisi/search?tbsl=1&sK=";

std::string BuildPodnapisiQuery(std::string_view film, std::int32_t languageCode) {
  return std::string(kSearchPath) + UrlEncode(film) + "&sJ=" + std::to_string(languageCode) + "&submit=Search";
}

constexpr std::string_view kLanguageKey = "jezik=";
constexpr std::int32_t kUnreadableLanguageCode = -1;

std::string_view PodnapisiLinkLanguage(std::string_view link) {
  // The link matched its walk without regard to case, so its key is cut the same way.
  const auto key = FindFolded(link, kLanguageKey);
  if (key != std::string_view::npos) link.remove_prefix(key + kLanguageKey.size());
  return PodnapisiLanguageName(ParseInt(TrimView(link)).value_or(kUnreadableLanguageCode));
}

constexpr std::string_view kNoFrameRate[] = {"timecode", "n\\a", "n/a"};

std::string PodnapisiFrameRate(std::string_view text) {
  const std::string_view fps = TrimView(text);
  for (const auto marker : kNoFrameRate) {
    if (FindFolded(fps, marker) != std::string_view::npos) return {};
  }
  return std::string(fps);
}

std::string PodnapisiDate(std::string_view text) { return Trim(CutAt(TrimView(text), "@")); }

constexpr std::string_view kRecordLink = "/index.php/ppodnapisi/podnapis?i=";
constexpr std::string_view kLanguageLink = "/index.php/ppodnapisi/kategorija?jezik=";

void WalkPodnapisiResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord) {
  const std::string recordBase = siteBase.ends_with('/') ? siteBase.substr(0, siteBase.size() - 1) : siteBase;
  TTokenWalker walker(page);
  const auto count = static_cast<std::ptrdiff_t>(page.Count());
  for (std::ptrdiff_t p = 0; p < count; ++p) {
    if (!IsDownloadIcon(page.Item(p))) continue;
    // Three walks back to the row's own links, five forward to its labels.
    const auto linkBefore = [&](std::string_view match) {
      return walker.FindTag(p, "A", 0, "HREF", match, TWalkDirection::Backward);
    };
    const auto labelAfter = [&](std::string_view label) {
      return walker.FindText(p, label, TWalkDirection::Forward);
    };
    TSubtitleInfo record;
    record.Url = recordBase + std::string(linkBefore(kRecordLink).Text());
    record.Language = PodnapisiLinkLanguage(linkBefore(kLanguageLink).Text());
    record.FilmName = Trim(page.TextOrName(linkBefore(kRecordLink).Position() + 1));
    record.CdCount = TextBetween(labelAfter("Details:").Text(), "Details:", "CD");
    record.Format = TextBetween(labelAfter("Uploader:").Text(), ",", ", Uploader:");
    record.Fps = PodnapisiFrameRate(page.TextOrName(labelAfter("Details:").Position() + 2));
    record.Uploader = Trim(page.TextOrName(labelAfter("Uploader:").Position() + 2));
    record.DateAdded = PodnapisiDate(page.TextOrName(labelAfter("Release:").Position() + 4));
    onRecord(record);
  }
}

constexpr std::string_view kPagerIcon = "/images/default/forum/pages_icon.gif";

std::int32_t ReadPodnapisiPageCount(const THTMLParser& page) {
  TTokenWalker walker(page);
  const auto icon = walker.FindTag(0, "IMG", 0, "SRC", kPagerIcon, TWalkDirection::Forward);
  return ToInt(TextBefore(page.TextOrName(icon.Position() + 1), 1, "page"));
}

namespace {

std::string BuildQuery(std::string_view film, std::string_view item, std::int32_t) {
  return BuildPodnapisiQuery(film, PodnapisiLanguageCode(item));
}

// The base ends in "/" and the query begins with one: the path goes out as
// "//index.php/...", the form the site has always been sent.
TPageRequest Request(std::string_view query) { return GetPath(std::string(query), true); }

// A page without a readable pager yields nothing at all, so it is read first.
std::int64_t PageCount(const THTMLParser& firstPage) { return ReadPodnapisiPageCount(firstPage); }

// Later pages add their number to the first page's query.
TPageRequest PageRequest(std::string_view query, std::int64_t page) {
  return Request(NumberedPageQuery(std::string(query) + "&page=1", page));
}

}  // namespace

const TSiteAdapter kPodnapisiAdapter{
    .Id = SiteId::Podnapisi, .BuildQuery = BuildQuery, .FirstRequest = Request,
    .Walk = WalkFromBase<WalkPodnapisiResults>,
    .Paging = {.PageCount = PageCount, .CountBeforeWalk = true, .PageRequest = PageRequest, .FetchAhead = true}};

}  // namespace velkaro
