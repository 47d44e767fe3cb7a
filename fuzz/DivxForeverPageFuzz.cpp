#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HtmlParser.h"
#include "adapters/DivxForever.h"

// The first line is the film name the user typed, the rest the result page:
// the walk's title search depends on both.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto newline = input.find('\n');
  const std::string_view film = newline == std::string_view::npos ? std::string_view{} : input.substr(0, newline);
  velkaro::THTMLParser page;
  page.SetText(newline == std::string_view::npos ? input : input.substr(newline + 1));
  page.Parse();
  std::size_t fields = 0;
  try {
    velkaro::WalkDivxForeverResults(page, film, "http://www.divxforever.net/", [&fields](velkaro::TSubtitleInfo& record) {
      fields += record.FilmName.size() + record.Url.size() + record.Fps.size() + record.DateAdded.size();
    });
  } catch (const velkaro::TMissingToken&) {
    // A page that ends too early ends the search; that is a valid outcome.
  }
  return fields == static_cast<std::size_t>(-1);
}
