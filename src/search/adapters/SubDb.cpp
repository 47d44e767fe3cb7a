#include "SubDb.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "SiteAdapters.h"
#include "TokenScan.h"

namespace velkaro {

namespace {

constexpr std::string_view kDownloadMark = "modules.php?name=Download_Subtitles&download_file_id=";
constexpr std::string_view kDownloadFolder = "subdb/html/";
constexpr std::string_view kRowLabel = "title:";
constexpr std::string_view kDateLabel = "Added on:";

struct TFieldLabel {
  std::string_view Label;
  std::string TSubtitleInfo::*Field;
  bool UpperFirst;
};

// A text is tested against these in order; the first it contains decides.
constexpr TFieldLabel kFieldLabels[] = {
    {"Language:", &TSubtitleInfo::Language, true},
    {"CDS:", &TSubtitleInfo::CdCount, false},
    {"Format:", &TSubtitleInfo::Format, false},
    {"FPS:", &TSubtitleInfo::Fps, false},
    {"Thanks to:", &TSubtitleInfo::Uploader, false},
};
constexpr std::size_t kLabelCount = std::size(kFieldLabels);
// Ends the visit of a row's labels.
constexpr std::size_t kThanksTo = kLabelCount - 1;
constexpr std::ptrdiff_t kNone = -1;

// Index into kFieldLabels, or -1.
int LabelOf(const THTMLToken& token) {
  const auto* text = token.AsText();
  if (!text) return -1;
  for (std::size_t i = 0; i < kLabelCount; ++i) {
    if (Contains(text->Text, kFieldLabels[i].Label)) return static_cast<int>(i);
  }
  return -1;
}

bool IsRowLabel(const THTMLToken& token) {
  const auto* text = token.AsText();
  if (!text) return false;
  const auto trimmed = TrimView(text->Text);
  if (trimmed.size() != kRowLabel.size()) return false;
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    if (LowerAscii(trimmed[i]) != kRowLabel[i]) return false;
  }
  return true;
}

bool IsDownloadLink(const THTMLToken& token) {
  const auto* a = token.TagNamed("A");
  return a && a->Params.size() >= 2 && a->Params[1].Name == "HREF" && Contains(a->Params[1].Value, kDownloadMark);
}

// The labels a row reads run from its "title:" to the first "Thanks to:" at
// or after it (the page end without one), and the last occurrence of each
// label there decides its field. Rows come in increasing order and so do
// their ends: one pass over the tokens, remembering the last position of
// each label, serves them all, and a page whose rows never say "Thanks to:"
// still parses in linear time.
class TRowLabels {
 public:
  explicit TRowLabels(const THTMLTokens& tokens) : Tokens_(tokens) { Last_.fill(kNone); }

  // The fields a visit from `row` leaves in `record`. Throws TMissingToken
  // when a value it reads (two tokens after a label) lies past the page end.
  void Fill(const THTMLParser& page, std::ptrdiff_t row, TSubtitleInfo& record) {
    AdvanceTo(row);
    // The visit reads a value after every label; the last one is the first to fall outside.
    if (LastAny_ >= row) (void)page.Item(LastAny_ + 2);
    for (std::size_t label = 0; label < kLabelCount; ++label) {
      const auto at = Last_[label];
      if (at < row) continue;
      std::string value = SubDbFieldValue(page.TextOrName(at + 2));
      if (kFieldLabels[label].UpperFirst && !value.empty()) value[0] = UpperAscii(value[0]);
      record.*kFieldLabels[label].Field = std::move(value);
    }
  }

 private:
  // Scans on to the first "Thanks to:" at or after `row`, or to the page end.
  void AdvanceTo(std::ptrdiff_t row) {
    if (End_ >= row) return;
    const auto count = static_cast<std::ptrdiff_t>(Tokens_.size());
    while (Scanned_ < count) {
      const auto at = Scanned_++;
      const int label = LabelOf(Tokens_[static_cast<std::size_t>(at)]);
      if (label < 0) continue;
      Last_[static_cast<std::size_t>(label)] = at;
      LastAny_ = at;
      if (at >= row && static_cast<std::size_t>(label) == kThanksTo) {
        End_ = at;
        return;
      }
    }
    End_ = count - 1;
  }

  const THTMLTokens& Tokens_;
  std::ptrdiff_t Scanned_ = 0;  // tokens before this one have been classified
  std::ptrdiff_t End_ = kNone;  // where the last visit ended
  std::array<std::ptrdiff_t, kLabelCount> Last_;
  std::ptrdiff_t LastAny_ = kNone;
};

// 1-based position of `needle` in `text`; 0 when it is missing.
std::ptrdiff_t Position(std::string_view text, std::string_view needle) {
  const auto at = text.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(at) + 1;
}

// A request target must not hold a blank; the site reads %20 as the blank
// that language names like "chinese gb code" carry.
std::string RequestPath(std::string_view queryText) {
  std::string path;
  path.reserve(queryText.size());
  for (const char c : queryText) {
    if (c == ' ') {
      path += "%20";
    } else {
      path += c;
    }
  }
  return path;
}

}  // namespace

constexpr std::string_view kAllItem = "All";
constexpr std::string_view kAllLanguages = "[all languages]";

std::string SubDbLanguage(std::string_view item) {
  if (TrimView(item) == kAllItem) return UrlEncode(kAllLanguages);
  return Trim(LowerAscii(item));
}

constexpr std::string_view kQueryStart = "subdb/html/modules.php?name=Download_Subtitles&edsearch=";
constexpr std::string_view kQueryLanguage = "&combo_language=";
constexpr std::string_view kQueryEnd = "&fast_search=1&page=1";

std::string BuildSubDbQuery(std::string_view film, std::string_view language) {
  std::string query(kQueryStart);
  query.append(UrlEncode(film)).append(kQueryLanguage).append(language).append(kQueryEnd);
  return query;
}

std::string SubDbFieldValue(std::string_view value) {
  const auto trimmed = TrimView(value);
  const auto dash = trimmed.find('-');
  // The character before the dash (the blank of " - ") goes with it.
  if (dash != std::string_view::npos && dash >= 1) return std::string(trimmed.substr(0, dash - 1));
  return std::string(trimmed);
}

std::string ConvertSubDbDate(std::string_view value) {
  const auto parts = SplitText(TrimView(value), " ");
  const auto date = parts.empty() ? std::vector<std::string>{} : SplitText(parts.front(), "-");
  if (date.size() < 3) throw TConvertError("'" + std::string(value) + "' is not a valid date");
  const std::string& year = date[0];
  std::string result = date[2];
  result.append(".").append(date[1]).append(".").append(year.size() > 2 ? year.substr(2) : std::string{});
  return result;
}

std::int64_t SubDbPagesFor(std::int32_t results) {
  const std::int64_t n = results;
  // Integer division truncates toward zero, which rounds a negative count up already.
  return n > 0 ? (n + kSubDbPageSize - 1) / kSubDbPageSize : n / kSubDbPageSize;
}

constexpr std::string_view kTotalMark = "items found";

std::int64_t ReadSubDbPageCount(const THTMLParser& page) {
  std::int64_t count = 0;
  for (const auto& token : page.Tokens()) {
    const auto* text = token.AsText();
    if (!text || !Contains(text->Text, kTotalMark)) continue;
    const std::string_view total = text->Text;
    // "Total items found = 45 of 3 pages": the number stands between "= " and " of".
    const auto equals = Position(total, "=");
    const auto of = Position(total, "of");
    if (equals > of) return 0;
    if (equals == 0) continue;
    const auto length = of - equals - 3;
    const auto number =
        length > 0 ? total.substr(static_cast<std::size_t>(equals + 1), static_cast<std::size_t>(length)) : std::string_view{};
    count = SubDbPagesFor(ToInt(number));
  }
  return count;
}

void WalkSubDbResults(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord) {
  const auto& tokens = page.Tokens();
  TRowLabels labels(tokens);
  TForwardScan nextLink(tokens, IsDownloadLink);
  TForwardScan nextDate(tokens, [](const THTMLToken& token) { return TextContains(token, kDateLabel); });
  const std::string downloadBase = siteBase + std::string(kDownloadFolder);

  for (std::ptrdiff_t row = 0; row < static_cast<std::ptrdiff_t>(tokens.size()); ++row) {
    if (!IsRowLabel(page.Item(row))) continue;
    TSubtitleInfo record;
    record.FilmName = Trim(page.TextOrName(row + 2));
    labels.Fill(page, row, record);
    if (const auto link = nextLink.From(row); link != kNone) {
      record.Url = downloadBase + std::string(page.Item(link).AsTag()->Params[1].Value);
    }
    if (const auto date = nextDate.From(row); date != kNone) {
      record.DateAdded = ConvertSubDbDate(page.TextOrName(date + 2));
    }
    onRecord(record);
  }
}

namespace {

std::string BuildQuery(std::string_view film, std::string_view item, std::int32_t) {
  return BuildSubDbQuery(film, SubDbLanguage(item));
}

TPageRequest Request(std::string_view query) { return GetPath(RequestPath(query), true); }

TPageRequest PageRequest(std::string_view query, std::int64_t page) { return Request(NumberedPageQuery(query, page)); }

}  // namespace

const TSiteAdapter kSubDbAdapter{
    .Id = SiteId::SubDb, .BuildQuery = BuildQuery, .FirstRequest = Request, .Walk = WalkFromBase<WalkSubDbResults>,
    .Paging = {.PageCount = ReadSubDbPageCount, .PageRequest = PageRequest, .FetchAhead = true}};

}  // namespace velkaro
