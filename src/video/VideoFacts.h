#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FilmName.h"
#include "VideoProbe.h"

// What one or more video files (the parts of one film) say about the film.

namespace velkaro {

struct TVideoFile {
  std::filesystem::path Path;
  TFilmName Name;
  TVideoProbe Probe;
};

// The name is read whether or not the file exists; the probe only for a video.
TVideoFile ReadVideoFile(const std::filesystem::path& path);

struct TVideoFacts {
  std::string Title;  // UTF-8
  std::optional<int> Year;
  // Files given together, or the "of N" or highest part number in their names.
  int PartCount = 0;
  std::string Fps;  // the first part's that has one
  std::vector<std::string> ReleaseWords;  // the first part's that has some
  // The parts in part order ("CD1" before "CD2"), the search remembers them.
  std::vector<std::filesystem::path> Videos;
};

TVideoFacts CombineVideoFiles(std::vector<TVideoFile> files);
TVideoFacts ReadVideoFacts(const std::vector<std::filesystem::path>& paths);

// Files given together, grouped by film: those whose titles agree, whatever
// their letter case, are the parts of one film. Each file's film, numbered
// from 0 in the order of the films' first files.
std::vector<std::size_t> GroupByFilm(const std::vector<TVideoFile>& files);

// The film of the first path, from every part of it among `paths`; the paths
// of other films are left out and named.
struct TFirstFilm {
  TVideoFacts Facts;
  std::vector<std::filesystem::path> LeftOut;
};
TFirstFilm ReadFirstFilm(const std::vector<std::filesystem::path>& paths);

}  // namespace velkaro
