#pragma once

#include <filesystem>
#include <optional>
#include <vector>

// The films among paths given on the command line: videos found in folders,
// grouped by film, and the subtitles that already stand beside them.

namespace velkaro {

struct TCollectedFilms {
  // Each film's videos; a film in parts in part order. Films in path order.
  std::vector<std::vector<std::filesystem::path>> Films;
  std::vector<std::filesystem::path> Missing;  // paths that do not exist
};

// A folder is searched through all its subfolders for files with a video's
// extension; a file named on its own is taken as a video whatever its name.
// Videos whose titles and years agree, in the same film folder (a part folder
// such as "CD2" counts as its parent), are the parts of one film.
TCollectedFilms CollectFilms(const std::vector<std::filesystem::path>& paths);

// A subtitle beside `video`: "<stem>.<ext>" or "<stem>.<language>.<ext>" with a
// subtitle's extension (srt, sub, ssa, ass, smi, txt, vtt), any case.
std::optional<std::filesystem::path> SubtitleBeside(const std::filesystem::path& video);

}  // namespace velkaro
