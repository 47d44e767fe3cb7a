#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "HtmlParser.h"
#include "adapters/DivxSubtitles.h"

// One tokenized page read as a result page, as a detail page and for its
// result total. Running out of tokens and a total that is not a number end a
// search; both are valid outcomes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkaro::THTMLParser page;
  page.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  page.Parse();
  try {
    velkaro::WalkDivxSubtitlesResults(page, "http://www.divxsubtitles.net/", [](velkaro::TSubtitleInfo& record) {
      if (record.Url.find('\'') != std::string::npos) __builtin_trap();
    });
  } catch (const velkaro::TMissingToken&) {
  }
  try {
    velkaro::ReadDivxSubtitlesFps(page);
  } catch (const velkaro::TMissingToken&) {
  }
  try {
    const auto total = velkaro::ReadDivxSubtitlesTotal(page);
    const auto pages = velkaro::DivxSubtitlesPageCount(total);
    if (pages > 1) (void)velkaro::DivxSubtitlesPagePath("_language=2&_free=x", pages);
  } catch (const velkaro::TMissingToken&) {
  } catch (const velkaro::TConvertError&) {
  }
  return 0;
}
