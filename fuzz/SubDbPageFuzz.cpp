#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "HtmlParser.h"
#include "TextHelpers.h"
#include "adapters/SubDb.h"
#include "../tests/support/SubDbReferenceWalk.h"

namespace {

constexpr const char* kBase = "http://www.subdb.net/";

enum class TEnd { Finished, MissingToken, BadNumber };

template <typename Walker>
TEnd Walk(Walker walk, const velkaro::THTMLParser& page, std::vector<velkaro::TSubtitleInfo>& records) {
  try {
    walk(page, kBase, [&records](velkaro::TSubtitleInfo& record) { records.push_back(record); });
  } catch (const velkaro::TMissingToken&) {
    return TEnd::MissingToken;
  } catch (const velkaro::TConvertError&) {
    return TEnd::BadNumber;
  }
  return TEnd::Finished;
}

}  // namespace

// One tokenized page read as a result page and as a first page stating its
// total. A page that ends too early or states a total or date that does not
// convert ends the search: valid outcomes. The linear walk must also agree
// with the row-by-row forward scans it replaces.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkaro::THTMLParser page;
  page.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  page.Parse();

  std::vector<velkaro::TSubtitleInfo> records;
  const TEnd end = Walk(velkaro::WalkSubDbResults, page, records);
  // The reference is quadratic; keep it to inputs where that stays quick.
  if (page.Count() <= 4096) {
    std::vector<velkaro::TSubtitleInfo> expected;
    if (Walk(velkaro::testing_support::ReferenceWalkSubDb, page, expected) != end || expected != records) std::abort();
  }

  try {
    (void)velkaro::ReadSubDbPageCount(page);
  } catch (const velkaro::TConvertError&) {
  }
  return 0;
}
