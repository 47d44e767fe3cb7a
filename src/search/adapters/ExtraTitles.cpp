#include "ExtraTitles.h"

#include <utility>

#include "SiteAdapters.h"
#include "TokenScan.h"

namespace velkaro {

namespace {

// "Finnish" shares French's 6: the site gives Finnish no code of its own that we know of.
constexpr TItemCode<std::int32_t> kLanguageCodes[] = {
    {"All", 0},           {"Chinese GB Code", 32},   {"French", 6},    {"Albanian", 42},
    {"Bulgarian", 14},    {"Bulgarian_English", 15}, {"Croatian", 17}, {"Japanese", 39},
    {"Czech", 2},         {"English", 1},            {"English_German", 18}, {"Estonian", 35},
    {"Germany", 7},       {"Hungary", 8},            {"Italy", 3},     {"Turkish", 26},
    {"Korean", 22},       {"Portugese", 24},         {"Romanian", 30}, {"Russian", 25},
    {"Serbian", 29},      {"Spanish", 9},            {"Swedish", 11},  {"Finnish", 6},
};

struct TMonth {
  std::string_view Name;
  std::string_view Number;
};

constexpr TMonth kMonths[] = {{"jan", "01"}, {"feb", "02"}, {"mar", "03"}, {"apr", "04"},
                              {"may", "05"}, {"jun", "06"}, {"jul", "07"}, {"aug", "08"},
                              {"sep", "09"}, {"oct", "10"}, {"nov", "11"}, {"dec", "12"}};

constexpr std::string_view kSearchPath = "index.php";
constexpr std::string_view kRecordPath = "index.php?pid=subt2&p=i&rid=";
constexpr std::string_view kDownloadLinkMark = "xsubt.subt.link.php?";

// Copy of `count` characters from 1-based `position`, clipped to the text.
std::string_view CopyAt(std::string_view text, std::ptrdiff_t position, std::size_t count) {
  const auto start = static_cast<std::size_t>(std::max<std::ptrdiff_t>(position, 1) - 1);
  return start >= text.size() ? std::string_view{} : text.substr(start, count);
}

bool IsFlagPair(const THTMLTag& img, std::size_t j) {
  return img.Params[j].Name == "SRC" && Contains(img.Params[j].Value, "pics/flags/") && img.ParamNamed(j + 1, "ALT");
}

bool IsTitleSpan(const THTMLToken& token) {
  const auto* span = token.TagNamed("SPAN");
  return span && span->ParamNamed(0, "CLASS") && span->Params[0].Value == "'mf2'";
}

// A detail-page label, the distance of its value and where the value goes.
struct TDetailLabel {
  std::string_view Label;
  std::ptrdiff_t Distance;
  void (*Apply)(TSubtitleInfo&, std::string_view);
};

const TDetailLabel kDetailLabels[] = {
    {"framerate:", 2, [](TSubtitleInfo& r, std::string_view v) { r.Fps = ExtraTitlesFrameRate(v); }},
    {"contributor:", 3, [](TSubtitleInfo& r, std::string_view v) { r.Uploader = v; }},
    {"format:", 2, [](TSubtitleInfo& r, std::string_view v) { r.Format = v; }},
    {"date:", 2, [](TSubtitleInfo& r, std::string_view v) { r.DateAdded = ConvertExtraTitlesDate(v); }},
    {"number of CDs:", 2, [](TSubtitleInfo& r, std::string_view v) { r.CdCount = v; }},
};

}  // namespace

std::int32_t ExtraTitlesLanguageCode(std::string_view item) {
  return LookUpItem(kLanguageCodes, item, std::int32_t{-1});
}

std::string BuildExtraTitlesQuery(std::string_view film, std::int32_t languageCode, std::int32_t maxResults) {
  return "rad1=an&aka=&alt=&jaz=" + std::to_string(languageCode) +
         "&days=0&z=datum+desc&eq=&cu=&ra=&p=as&pas=&usr_id=&bp=" + std::to_string(maxResults) + "&z2=&z3=" +
         UrlEncode(film) + "&trt=&bn=0&xi=&n_trt=&pid=subt2&dels=&delss=&appr=&appra=";
}

std::string ExtraTitlesFrameRate(std::string_view text) {
  const auto space = text.find(' ');
  if (space == std::string_view::npos || space == 0) return {};
  return Trim(text.substr(0, space + 1));
}

std::string ConvertExtraTitlesDate(std::string_view text) {
  const auto comma = text.find(',');
  const std::ptrdiff_t c = comma == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(comma) + 1;
  const std::string monthName = LowerAscii(CopyAt(text, 1, c > 0 ? static_cast<std::size_t>(c - 1) : 0));
  std::string_view month;
  for (const auto& entry : kMonths) {
    if (entry.Name == monthName) month = entry.Number;
  }
  const auto day = CopyAt(text, c + 2, 2);
  const auto year = CopyAt(text, c + 5, 4);
  const auto shortYear = year.size() > 2 ? year.substr(2) : std::string_view{};
  std::string result;
  result.append(day).append(".").append(month).append(".").append(shortYear);
  return result;
}

void ReadExtraTitlesDetails(const THTMLParser& page, const std::string& siteBase, TSubtitleInfo& record) {
  for (std::ptrdiff_t k = 0; k < static_cast<std::ptrdiff_t>(page.Count()); ++k) {
    const THTMLToken& token = page.Item(k);
    if (const auto* a = token.TagNamed("A")) {
      if (a->ParamNamed(0, "HREF") && Contains(a->Params[0].Value, kDownloadLinkMark)) {
        record.Url = siteBase + std::string(a->Params[0].Value);
      }
      continue;
    }
    const auto* text = token.AsText();
    if (!text) continue;
    const auto label = TrimView(text->Text);
    for (const auto& entry : kDetailLabels) {
      if (entry.Label != label) continue;
      if (!page.Has(k + entry.Distance)) break;
      if (const auto* value = page.Item(k + entry.Distance).AsText()) entry.Apply(record, value->Text);
      break;
    }
  }
}

void WalkExtraTitlesResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord) {
  const auto& tokens = page.Tokens();
  TForwardScan nextSpan(tokens, IsTitleSpan);
  TForwardScan nextLink(tokens, IsLinkTag);
  const std::string recordBase = siteBase + std::string(kRecordPath);

  for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(tokens.size()); ++i) {
    const auto* img = page.Item(i).TagNamed("IMG");
    if (!img) continue;
    for (std::size_t j = 0; j < img->Params.size(); ++j) {
      if (!IsFlagPair(*img, j)) continue;
      TSubtitleInfo record;
      record.Language = img->Params[j + 1].Value;
      if (const auto span = nextSpan.From(i + 1); span != nextSpan.kNone && page.Has(span + 1)) {
        record.FilmName = page.TextOrName(span + 1);
      }
      if (const auto link = nextLink.From(i + 1); link != nextLink.kNone) {
        const std::string_view href = page.Item(link).AsTag()->Params[0].Value;
        if (Contains(href, "rid=")) record.Url = recordBase + std::string(After(href, "rid="));
      }
      onRecord(record);
    }
  }
}

namespace {

std::string BuildQuery(std::string_view film, std::string_view item, std::int32_t maximum) {
  return BuildExtraTitlesQuery(film, ExtraTitlesLanguageCode(item), maximum);
}

TPageRequest FirstRequest(std::string_view query) { return PostForm(kSearchPath, query, false); }

}  // namespace

const TSiteAdapter kExtraTitlesAdapter{
    .Id = SiteId::ExtraTitles, .BuildQuery = BuildQuery, .FirstRequest = FirstRequest,
    .Walk = WalkFromBase<WalkExtraTitlesResults>, .ReadDetail = ReadExtraTitlesDetails};

}  // namespace velkaro
