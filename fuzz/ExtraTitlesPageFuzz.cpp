#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HtmlParser.h"
#include "adapters/ExtraTitles.h"

// One tokenized page read both as a result page and as a detail page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkaro::THTMLParser page;
  page.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  page.Parse();
  try {
    velkaro::WalkExtraTitlesResults(page, "http://www.extratitles.net/", [&page](velkaro::TSubtitleInfo& record) {
      velkaro::ReadExtraTitlesDetails(page, "http://www.extratitles.net/", record);
    });
  } catch (const velkaro::TMissingToken&) {
    // A page that ends too early ends the search; that is a valid outcome.
  }
  return 0;
}
