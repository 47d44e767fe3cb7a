#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The film a video file holds, guessed from its name and from its folders'
// names: a folder fills in what the file's name lacks ("CD1.avi" in
// "The Matrix (1999)/") and stands in for a file name that is only an
// abbreviation or a hash. Texts are UTF-8, as file names are.

namespace velkaro {

// The extensions of video files, lower case.
inline constexpr std::string_view kVideoExtensions[] = {
    "avi", "mkv", "mp4", "m4v", "mov", "mpg",  "mpeg", "wmv", "divx", "xvid", "ogm", "ogv", "flv",
    "webm", "ts", "m2ts", "mts", "vob", "rm",  "rmvb", "3gp", "asf",  "dat",  "nut", "mxf", "iso",
};

struct TFilmName {
  std::string Title;
  std::optional<int> Year;
  std::optional<int> CdNumber;  // "CD2", "part2", "disc 2"
  std::optional<int> CdCount;   // "CD1of2", "1of3"
  // What tells one release of the film from another, lower case and in name
  // order: source, resolution and codec words ("dvdrip", "720p", "xvid") and
  // the release group ("fxm").
  std::vector<std::string> ReleaseWords;

  bool operator==(const TFilmName&) const = default;
};

// One name (a file's, with its extension, or a folder's), no folders looked at.
TFilmName GuessFromName(std::string_view name, bool hasExtension = true);
// A video's path: its name, then up to two folders above for what it lacks.
TFilmName GuessFilmName(const std::filesystem::path& video);

}  // namespace velkaro
