#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The film a video file holds, guessed from its name and, when the name
// holds no title ("CD1.avi", "movie.avi"), from its folders' names. Texts are
// UTF-8, as file names are.

namespace velkaro {

struct TFilmName {
  std::string Title;
  std::optional<int> Year;
  std::optional<int> CdNumber;  // "CD2", "part2", "disc 2"
  std::optional<int> CdCount;   // "CD1of2", "1of3"

  bool operator==(const TFilmName&) const = default;
};

// One name (a file's, with its extension, or a folder's), no folders looked at.
TFilmName GuessFromName(std::string_view name, bool hasExtension = true);
// A video's path: its name, then up to two folders above for what it lacks.
TFilmName GuessFilmName(const std::filesystem::path& video);

}  // namespace velkaro
