#include "DivxForever.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "SiteAdapters.h"
#include "TokenScan.h"

namespace velkaro {

namespace {

// Items are also the names result rows get back. "Dutch" is not in the
// dialog's list, but the site shows its code on rows.
constexpr TItemCode<std::string_view> kLanguageCodes[] = {
    {"All", "all"},  {"English", "EN"}, {"Germany", "DE"}, {"Italy", "IT"},
    {"Spanish", "SP"}, {"Dutch", "NL"},  {"French", "FR"},  {"Turkish", "TR"},
};

struct TFormatName {
  std::string_view Extension;
  std::string_view Format;
};

constexpr TFormatName kFormats[] = {
    {"srt", "SubRip"}, {"sub", "MicroDVD"}, {"ssa", "SubStation Alpha"}, {"smi", "SAMi"},
};

// As the page source writes it: the tokenizer leaves attribute values undecoded.
constexpr std::string_view kRowLinkMark = "act=subz&amp;CODE=03&amp;id=";
constexpr std::string_view kDateLabel = "G\xF6nderilme Tarihi:";

// Distances from the row's link of the title and detail-line fall-backs.
constexpr std::ptrdiff_t kTitleFallback = 1;
constexpr std::ptrdiff_t kDetailFallback = 5;

// A lower-cased needle found in texts folded on the fly, in time linear in
// the text whatever the needle (Knuth-Morris-Pratt): a long film name must
// not make a long page slow.
class TFoldedNeedle {
 public:
  explicit TFoldedNeedle(std::string_view needle) : Needle_(LowerAscii(needle)), Border_(Needle_.size(), 0) {
    for (std::size_t i = 1, k = 0; i < Needle_.size(); ++i) {
      while (k > 0 && Needle_[i] != Needle_[k]) k = Border_[k - 1];
      if (Needle_[i] == Needle_[k]) ++k;
      Border_[i] = k;
    }
  }

  // An empty needle is found nowhere.
  bool FoundIn(std::string_view text) const {
    if (Needle_.empty()) return false;
    std::size_t k = 0;
    for (const char raw : text) {
      const char c = LowerAscii(raw);
      while (k > 0 && c != Needle_[k]) k = Border_[k - 1];
      if (c == Needle_[k] && ++k == Needle_.size()) return true;
    }
    return false;
  }

 private:
  std::string Needle_;
  std::vector<std::size_t> Border_;
};

const THTMLTag* RowLink(const THTMLToken& token) {
  const auto* a = token.TagNamed("A");
  return a && a->ParamNamed(0, "HREF") && Contains(a->Params[0].Value, kRowLinkMark) ? a : nullptr;
}

bool IsDetailLine(const THTMLToken& token) {
  const auto* text = token.AsText();
  return text && Contains(text->Text, "-") && Contains(text->Text, "fps") && Contains(text->Text, "CD");
}

bool IsRow2Cell(const THTMLToken& token) {
  const auto* td = token.TagNamed("TD");
  return td && td->ParamNamed(0, "CLASS") && TrimView(td->Params[0].Value) == "row2";
}

std::string_view LanguageName(std::string_view code) {
  if (code == "all") return {};  // a request value, never a row's language
  for (const auto& entry : kLanguageCodes) {
    if (entry.Code == code) return entry.Item;
  }
  return {};
}

std::string_view FormatName(std::string_view extension) {
  const std::string lowered = LowerAscii(extension);
  for (const auto& entry : kFormats) {
    if (entry.Extension == lowered) return entry.Format;
  }
  return {};
}

// Position predicates: the uploader cell looks at the token after it.
using TPositionScan = TForwardScan<std::function<bool(std::ptrdiff_t)>>;

// Everything a row reads lies at or after its link, and the rows ask from
// ever later positions: forward scans that keep their place make the page
// cost time linear in its tokens however many rows share the same far-away
// title, line or label.
class TResultPage {
 public:
  TResultPage(const THTMLParser& page, std::string_view filmName)
      : Page_(page),
        Film_(filmName),
        NextTitle_(page.Tokens(),
                   [this](std::ptrdiff_t i) {
                     const auto* text = Page_.Item(i).AsText();
                     return text && Film_.FoundIn(text->Text);
                   }),
        NextDetailLine_(page.Tokens(), [this](std::ptrdiff_t i) { return IsDetailLine(Page_.Item(i)); }),
        NextDateLabel_(page.Tokens(), [this](std::ptrdiff_t i) { return TextContains(Page_.Item(i), kDateLabel); }),
        NextText_(page.Tokens(), [this](std::ptrdiff_t i) { return Page_.Item(i).IsText(); }),
        NextUploaderCell_(page.Tokens(), [this](std::ptrdiff_t i) {
          // A "row2" cell followed by a link; one standing last also stops the
          // scan, which then reads past the end.
          return IsRow2Cell(Page_.Item(i)) && (!Page_.Has(i + 1) || IsLinkTag(Page_.Item(i + 1)));
        }) {
    const auto& tokens = page.Tokens();
    for (std::size_t i = tokens.size(); i-- > 0;) {
      if (tokens[i].IsText()) {
        LastText_ = static_cast<std::ptrdiff_t>(i);
        break;
      }
    }
    TrailingRow2Cell_ = !tokens.empty() && IsRow2Cell(tokens.back());
  }

  void FillRow(std::ptrdiff_t p, TSubtitleInfo& record) {
    const auto title = NextTitle_.From(p + 1);
    record.FilmName = Page_.TextOrName(title != TPositionScan::kNone ? title : p + kTitleFallback);

    const auto line = NextDetailLine_.From(p + kDetailFallback);
    const auto& details = DetailsAt(line != TPositionScan::kNone ? line : p + kDetailFallback);
    record.Fps = details.Fps;
    record.CdCount = details.CdCount;
    record.Format = details.Format;
    record.Language = details.Language;

    FillUploaderAndDate(p, record);
  }

 private:
  // The uploader is the first text after the "row2" cell's link and the date
  // the first label after it. Without such a label every later text becomes
  // the uploader in turn, for this cell and each later one, so the page's
  // last text is what stays.
  void FillUploaderAndDate(std::ptrdiff_t p, TSubtitleInfo& record) {
    const auto cell = NextUploaderCell_.From(p);
    if (cell == TPositionScan::kNone) return;
    Page_.Item(cell + 1);  // a "row2" cell standing last ends the search
    const auto uploader = NextText_.From(cell + 2);
    if (uploader != TPositionScan::kNone) {
      const auto label = NextDateLabel_.From(uploader + 1);
      if (label != TPositionScan::kNone) {
        record.Uploader = Page_.Item(uploader).AsText()->Text;
        record.DateAdded = DateAt(label);
        return;
      }
      record.Uploader = Page_.Item(LastText_).AsText()->Text;
    }
    if (TrailingRow2Cell_) throw TMissingToken(static_cast<std::ptrdiff_t>(Page_.Count()));
  }

  const TDivxForeverDetails& DetailsAt(std::ptrdiff_t index) {
    // Rows pick non-decreasing positions: remembering the last one is enough.
    if (index != DetailsIndex_) {
      Details_ = ReadDivxForeverDetailLine(Page_.TextOrName(index));
      DetailsIndex_ = index;
    }
    return Details_;
  }

  const std::string& DateAt(std::ptrdiff_t index) {
    if (index != DateIndex_) {
      Date_ = NormaliseDivxForeverDate(Page_.Item(index).AsText()->Text);
      DateIndex_ = index;
    }
    return Date_;
  }

  const THTMLParser& Page_;
  const TFoldedNeedle Film_;
  TPositionScan NextTitle_;
  TPositionScan NextDetailLine_;
  TPositionScan NextDateLabel_;
  TPositionScan NextText_;
  TPositionScan NextUploaderCell_;
  std::ptrdiff_t LastText_ = TPositionScan::kNone;
  bool TrailingRow2Cell_ = false;

  std::ptrdiff_t DetailsIndex_ = TPositionScan::kNone;
  TDivxForeverDetails Details_;
  std::ptrdiff_t DateIndex_ = TPositionScan::kNone;
  std::string Date_;
};

}  // namespace

std::string DivxForeverLanguageCode(std::string_view item) {
  return LookUpItem(kLanguageCodes, item, std::string());
}

std::string BuildDivxForeverQuery(std::string_view film, std::string_view languageCode) {
  return "mname=" + UrlEncode(film) + "&subtitle_releaser=&subtitle_lang=" + std::string(languageCode) +
         "&subtitle_fps=all&submitter_name=&subtitle_format=all&subtitle_cds=all&subtitle_status=all"
         "&submit=Altyaz%FD+Ara";
}

TDivxForeverDetails ReadDivxForeverDetailLine(std::string_view line) {
  TDivxForeverDetails details;
  // More than four dashes can never make four parts; counting first keeps a
  // line of a million dashes from becoming a million pieces.
  if (std::count(line.begin(), line.end(), '-') > 4) return details;
  const auto parts = SplitText(line, "-");
  if (parts.size() != 4) return details;
  details.Fps = CutAt(TrimView(parts[0]), "fps");
  details.CdCount = CutAt(TrimView(parts[1]), "CD");
  details.Format = FormatName(TrimView(parts[2]));
  details.Language = LanguageName(TrimView(parts[3]));
  return details;
}

std::string NormaliseDivxForeverDate(std::string_view label) {
  std::string date(label);
  // "...Tarihi: " goes: the first ":" and the one character after it.
  if (const auto colon = date.find(':'); colon != std::string::npos) date.erase(0, colon + 2);
  if (const auto comma = date.find(','); comma != std::string::npos) date.resize(comma);
  // "dd-mm-yyyy" -> "dd-mm-yy", positions counted from the first "-" and
  // clipped to the text; without any "-" there is no year to shorten.
  if (const auto dash = date.find('-'); dash != std::string::npos) {
    const std::string year = dash + 6 < date.size() ? date.substr(dash + 6, 2) : std::string();
    if (dash + 4 < date.size()) date.resize(dash + 4);
    date += year;
  }
  for (char& c : date) {
    if (c == '-') c = '.';
  }
  return date;
}

void WalkDivxForeverResults(const THTMLParser& page, std::string_view filmName, const std::string& siteBase,
                            const TRecordSink& onRecord) {
  TResultPage rows(page, filmName);
  constexpr std::string_view kRecordPath = "index.php?act=subz&CODE=03&id=";
  const std::string recordBase = siteBase + std::string(kRecordPath);
  for (std::ptrdiff_t p = 0; p < static_cast<std::ptrdiff_t>(page.Count()); ++p) {
    const auto* link = RowLink(page.Item(p));
    if (!link) continue;
    TSubtitleInfo record;
    record.Url = recordBase + std::string(After(link->Params[0].Value, "id="));
    rows.FillRow(p, record);
    onRecord(record);
  }
}

namespace {

std::string BuildQuery(std::string_view film, std::string_view item, std::int32_t) {
  return BuildDivxForeverQuery(film, DivxForeverLanguageCode(item));
}

constexpr std::string_view kSearchPath = "index.php?act=subz&CODE=06";

TPageRequest FirstRequest(std::string_view query) { return PostForm(kSearchPath, query, true); }

// Rows are told apart by the film name as typed.
void Walk(const THTMLParser& page, const TWalkContext& context, const TRecordSink& onRecord) {
  WalkDivxForeverResults(page, context.FilmName, context.SiteBase, onRecord);
}

}  // namespace

const TSiteAdapter kDivxForeverAdapter{
    .Id = SiteId::DivxForever, .BuildQuery = BuildQuery, .FirstRequest = FirstRequest, .Walk = Walk};

}  // namespace velkaro
