#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "ArchiveReader.h"

// Which subtitle of a download goes beside which part of the film.

namespace velkaro {

// The part a name says it holds: "cd1", "CD 2", "cd-2", "part2", "Part 2",
// "disc 2", or a number of one or two digits right before the extension.
std::optional<int> PartNumberInName(std::string_view name);

// Which candidate each of `parts` parts gets (an index into `candidates`, in
// name order), nullopt for a part left without one. Several parts: the
// candidate whose name carries the part's number, the rest in name order.
// One part: the only candidate, else the one marked 1, else the first.
// Plain .txt files and names without an extension only count when the
// download holds no other subtitle file.
std::vector<std::optional<std::size_t>> MatchParts(const std::vector<TCandidate>& candidates, std::size_t parts);

}  // namespace velkaro
