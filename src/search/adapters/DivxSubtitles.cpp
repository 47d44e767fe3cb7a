#include "DivxSubtitles.h"

#include <algorithm>
#include <utility>

#include "SiteAdapters.h"
#include "TokenScan.h"

namespace velkaro {

namespace {

// In the order of the dialog's language list; "All" and anything unknown ask for every language.
constexpr TItemCode<std::int32_t> kLanguageCodes[] = {
    {"All", -1},
    {"Turkish", 22},
    {"English", 2},
    {"Albanian", 62},
    {"Bulgarian", 15},
    {"Bulgarian_English", 20},
    {"Chinese GB Code", 24},
    {"Croatian", 25},
    {"Czech", 8},
    {"English_German", 19},
    {"Estonian", 60},
    {"Finnish", 100},
    {"French", 12},
    {"Germany", 4},
    {"Hungary", 16},
    {"Italy", 13},
    {"Japanese", 31},
    {"Korean", 23},
    {"Portugese", 10},
    {"Romanian", 30},
    {"Russian", 27},
    {"Serbian", 59},
    {"Spanish", 9},
    {"Swedish", 7},
};
constexpr std::int32_t kAllLanguages = -1;

constexpr std::string_view kSearchPath = "page_searchedsubtitles.php";
constexpr std::string_view kRecordLinkMark = "page_subtitleinformation.php?ID=";

// Where a row's cells stand, counted in tokens from its result link. The
// uploader and the date sit one token earlier when the uploader has no icon.
struct TRowCell {
  std::string TSubtitleInfo::*Field;
  std::ptrdiff_t At;
  bool AfterIcon;
};
constexpr TRowCell kRowCells[] = {
    {&TSubtitleInfo::FilmName, 1, false}, {&TSubtitleInfo::Language, 8, false},  {&TSubtitleInfo::Format, 12, false},
    {&TSubtitleInfo::CdCount, 16, false}, {&TSubtitleInfo::Uploader, 26, true}, {&TSubtitleInfo::DateAdded, 30, true},
};

constexpr std::string_view kNotAvailable = "N/A";

bool IsResultLink(const THTMLToken& token) {
  const auto* a = token.TagNamed("A");
  return a && a->ParamNamed(0, "HREF") && Contains(a->Params[0].Value, kRecordLinkMark);
}

// The text token at `index`, or nullptr for a tag there; throws past either end.
const THTMLText* TextAt(const THTMLParser& page, std::ptrdiff_t index) { return page.Item(index).AsText(); }

// The trimmed text at `index`, or at `fallback` when `index` holds a tag.
std::string TrimmedTextAt(const THTMLParser& page, std::ptrdiff_t index, std::ptrdiff_t fallback = -1) {
  const THTMLText* text = TextAt(page, index);
  if (!text && fallback >= 0) text = TextAt(page, fallback);
  return text ? Trim(text->Text) : std::string();
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The value of `key` in a form body, as written there; empty without the key.
std::string_view FormBodyValue(std::string_view body, std::string_view key) {
  while (!body.empty()) {
    const auto end = std::min(body.find('&'), body.size());
    const std::string_view field = body.substr(0, end);
    const auto equals = field.find('=');
    if (equals != std::string_view::npos && field.substr(0, equals) == key) return field.substr(equals + 1);
    body.remove_prefix(std::min(end + 1, body.size()));
  }
  return {};
}

}  // namespace

std::int32_t DivxSubtitlesLanguageCode(std::string_view item) {
  return LookUpItem(kLanguageCodes, item, kAllLanguages);
}

std::string BuildDivxSubtitlesQuery(std::string_view film, std::int32_t languageCode) {
  return "_language=" + std::to_string(languageCode) +
         "&_format=-1&_date=-1&_grade=-2&_character=-1&_free=" + UrlEncode(film) +
         "&firstSearch=true&pageNo=1&recPerPage=" + std::to_string(kDivxSubtitlesFirstPageRows);
}

void WalkDivxSubtitlesResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord) {
  for (std::ptrdiff_t p = 0; p < static_cast<std::ptrdiff_t>(page.Count()); ++p) {
    const THTMLToken& link = page.Item(p);
    if (!IsResultLink(link)) continue;
    TSubtitleInfo record;
    record.Url = siteBase + std::string(link.AsTag()->Params[0].Value);
    std::erase(record.Url, '\'');
    for (const TRowCell& cell : kRowCells) {
      record.*cell.Field = TrimmedTextAt(page, p + cell.At, cell.AfterIcon ? p + cell.At - 1 : -1);
    }
    if (record.Format == kNotAvailable) record.Format.clear();
    std::replace(record.DateAdded.begin(), record.DateAdded.end(), '/', '.');
    onRecord(record);
  }
}

constexpr std::string_view kFpsUnit = "FPS";

std::string CleanDivxSubtitlesFps(std::string_view text) {
  if (TrimView(text) == kNotAvailable) return {};
  const auto unit = text.find(kFpsUnit);
  if (unit == std::string_view::npos || unit == 0) return std::string(text);
  // The unit goes with the blank before it. Only a blank: "25FPS" keeps its
  // last digit.
  auto end = unit;
  if (static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(0, end));
}

constexpr std::string_view kFrameRateLabel = "framerate:";
constexpr std::ptrdiff_t kFrameRateValueAt = 6;

std::string ReadDivxSubtitlesFps(const THTMLParser& page) {
  std::string fps;
  for (std::ptrdiff_t k = 0; k < static_cast<std::ptrdiff_t>(page.Count()); ++k) {
    const auto* label = page.Item(k).AsText();
    if (!label || !EqualsIgnoringAsciiCase(TrimView(label->Text), kFrameRateLabel)) continue;
    if (const auto* value = TextAt(page, k + kFrameRateValueAt)) fps = CleanDivxSubtitlesFps(value->Text);
  }
  return fps;
}

constexpr std::string_view kTotalMarker = "subtitles found in database that match your search";
constexpr std::ptrdiff_t kTotalBeforeMarker = 2;

std::int32_t ReadDivxSubtitlesTotal(const THTMLParser& page) {
  std::int32_t total = 0;
  for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(page.Count()); ++i) {
    const auto* marker = page.Item(i).AsText();
    if (!marker || !Contains(marker->Text, kTotalMarker)) continue;
    if (const auto* count = TextAt(page, i - kTotalBeforeMarker)) total = ToInt(TrimView(count->Text));
  }
  return total;
}

std::int64_t DivxSubtitlesPageCount(std::int64_t total) {
  return total / kDivxSubtitlesPageRows + (total % kDivxSubtitlesPageRows != 0 ? 1 : 0);
}

std::string DivxSubtitlesPagePath(std::string_view queryText, std::int64_t page) {
  std::string path(kSearchPath);
  path.append("?orderby=SubName&direction=&maxres=").append(std::to_string(kDivxSubtitlesPageRows));
  path.append("&_free=").append(FormBodyValue(queryText, "_free"));
  path.append("&_character=-1&_language=").append(FormBodyValue(queryText, "_language"));
  path.append("&_date=-1&_format=-1&_grade=&nbcd=-1&starts=")
      .append(std::to_string((page - 1) * kDivxSubtitlesPageRows));
  return path;
}

namespace {

std::string BuildQuery(std::string_view film, std::string_view item, std::int32_t) {
  return BuildDivxSubtitlesQuery(film, DivxSubtitlesLanguageCode(item));
}

// The site sets a cookie in its first answer, which the further pages send back.
TPageRequest FirstRequest(std::string_view query) { return PostForm(kSearchPath, query, false); }

void ReadDetail(const THTMLParser& page, const std::string&, TSubtitleInfo& record) {
  record.Fps = ReadDivxSubtitlesFps(page);
}

std::int64_t PageCount(const THTMLParser& firstPage) {
  return DivxSubtitlesPageCount(ReadDivxSubtitlesTotal(firstPage));
}

TPageRequest PageRequest(std::string_view query, std::int64_t page) {
  return GetPath(DivxSubtitlesPagePath(query, page), false);
}

}  // namespace

const TSiteAdapter kDivxSubtitlesAdapter{
    .Id = SiteId::DivxSubtitles, .BuildQuery = BuildQuery, .FirstRequest = FirstRequest,
    .Walk = WalkFromBase<WalkDivxSubtitlesResults>, .ReadDetail = ReadDetail,
    .Paging = {.PageCount = PageCount, .PageRequest = PageRequest, .LostPageEndsSearch = true}};

}  // namespace velkaro
