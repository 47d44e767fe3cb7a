#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HtmlParser.h"
#include "adapters/Podnapisi.h"

// One tokenized page read for its page count and its result rows. A missing
// token or a number that does not read ends a search; both are valid outcomes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkaro::THTMLParser page;
  page.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  page.Parse();
  try {
    velkaro::ReadPodnapisiPageCount(page);
  } catch (const velkaro::TMissingToken&) {
  } catch (const velkaro::TConvertError&) {
  }
  try {
    velkaro::WalkPodnapisiResults(page, "http://www.podnapisi.net/", [](velkaro::TSubtitleInfo&) {});
  } catch (const velkaro::TMissingToken&) {
  } catch (const velkaro::TConvertError&) {
  }
  return 0;
}
