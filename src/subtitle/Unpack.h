#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The subtitle files inside a downloaded archive, read into memory with
// libarchive. Nothing here writes a file: an entry's path only ever lends its
// base name to matching.

namespace velkaro {

enum class TUnpackOutcome {
  Unpacked,    // an archive, read to its end
  NotArchive,  // no archive format claims the bytes (a plain text, an unknown format)
  Unreadable,  // an archive that is corrupt, truncated, encrypted or not supported
  TooLarge,    // stopped: the unpacked total passed the size cap
  TooDense,    // stopped: unpacked bytes per compressed byte passed the ratio cap
};

struct TUnpackLimits {
  std::uint64_t MaxTotal = std::uint64_t{64} << 20;
  std::uint64_t MaxRatio = 1000;
};

struct TCandidate {
  std::string Name;  // the entry's base name, as the archive spells it
  std::string Content;
};

struct TUnpacked {
  TUnpackOutcome Outcome = TUnpackOutcome::NotArchive;
  std::vector<TCandidate> Candidates;  // subtitle files, in name order (case-blind)
  // Entries never taken: absolute paths, "..", links, devices and fifos.
  std::vector<std::string> Refused;
};

TUnpacked UnpackBytes(std::string_view bytes, const TUnpackLimits& limits = {});
TUnpacked UnpackFile(const std::filesystem::path& file, const TUnpackLimits& limits = {});

// A name ending (case-blind) in .srt .sub .ssa .ass .smi or .txt.
bool IsSubtitleName(std::string_view name);

// The part a name says it holds: "cd1", "CD 2", "cd-2", "part2", "Part 2",
// "disc 2", or a number of one or two digits right before the extension.
std::optional<int> PartNumberInName(std::string_view name);

// Which candidate each of `parts` parts gets (an index into `candidates`, in
// name order), nullopt for a part left without one. Several parts: the
// candidate whose name carries the part's number, the rest in name order.
// One part: the only candidate, else the one marked 1, else the first.
// Plain .txt files only count when the archive holds no other subtitle file.
std::vector<std::optional<std::size_t>> MatchParts(const std::vector<TCandidate>& candidates, std::size_t parts);

}  // namespace velkaro
