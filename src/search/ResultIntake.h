#pragma once

#include <optional>
#include <string_view>

#include "ResultRows.h"
#include "Sites.h"
#include "SubtitleInfo.h"

// Where a record is judged before it becomes a row.

namespace velkaro {

// The first "." becomes ",": the dialog's own frame rates are written "23,976".
void NormaliseFps(TSubtitleInfo& record);
// CD count (as a number), frame rate and format (both trimmed) against the
// options; the language is the sites' business.
bool PassesFilters(const TAdvancedSearchOptions& options, const TSubtitleInfo& record);
// Which site the address belongs to, and for ExtraTitles its file type.
TRowIcon ChooseRowIcon(std::string_view url, const TSiteTable& sites);
// The site whose host the address contains, tested in the icon's order; none for another address.
std::optional<SiteId> SiteOfUrl(std::string_view url, const TSiteTable& sites);

}  // namespace velkaro
