#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HtmlParser.h"

// Any body: split into lines, tokenized, every token read back by index.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkaro::THTMLParser parser;
  parser.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  parser.Parse();
  std::size_t total = 0;
  for (std::size_t i = 0; i < parser.Count(); ++i) total += parser.TextOrName(static_cast<std::ptrdiff_t>(i)).size();
  return total == static_cast<std::size_t>(-1) ? 1 : 0;
}
