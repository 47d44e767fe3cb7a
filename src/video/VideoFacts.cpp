#include "VideoFacts.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace velkaro {

namespace {

std::string FilmKey(const TVideoFile& file) {
  std::string key;
  for (char c : file.Name.Title) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

int PartCountOf(const std::vector<TVideoFile>& files) {
  int count = static_cast<int>(files.size());
  for (const TVideoFile& file : files) {
    count = std::max({count, file.Name.CdNumber.value_or(0), file.Name.CdCount.value_or(0)});
  }
  return count;
}

}  // namespace

TVideoFile ReadVideoFile(const std::filesystem::path& path) {
  return {path, GuessFilmName(path), ProbeVideoFile(path)};
}

TVideoFacts CombineVideoFiles(std::vector<TVideoFile> files) {
  // Parts without a number keep the order they were given in, after the numbered ones.
  std::stable_sort(files.begin(), files.end(), [](const TVideoFile& a, const TVideoFile& b) {
    return a.Name.CdNumber.value_or(INT32_MAX) < b.Name.CdNumber.value_or(INT32_MAX);
  });
  TVideoFacts facts;
  facts.PartCount = PartCountOf(files);
  for (const TVideoFile& file : files) {
    if (facts.Title.empty()) facts.Title = file.Name.Title;
    if (!facts.Year) facts.Year = file.Name.Year;
    if (facts.Fps.empty()) facts.Fps = file.Probe.Fps;
    if (facts.ReleaseWords.empty()) facts.ReleaseWords = file.Name.ReleaseWords;
    facts.Videos.push_back(file.Path);
  }
  return facts;
}

TVideoFacts ReadVideoFacts(const std::vector<std::filesystem::path>& paths) {
  std::vector<TVideoFile> files;
  files.reserve(paths.size());
  for (const auto& path : paths) files.push_back(ReadVideoFile(path));
  return CombineVideoFiles(std::move(files));
}

std::vector<std::size_t> GroupByFilm(const std::vector<TVideoFile>& files) {
  std::unordered_map<std::string, std::size_t> films;
  std::vector<std::size_t> filmOf;
  filmOf.reserve(files.size());
  for (const TVideoFile& file : files) filmOf.push_back(films.try_emplace(FilmKey(file), films.size()).first->second);
  return filmOf;
}

TFirstFilm ReadFirstFilm(const std::vector<std::filesystem::path>& paths) {
  std::vector<TVideoFile> files;
  files.reserve(paths.size());
  for (const auto& path : paths) files.push_back(ReadVideoFile(path));
  const std::vector<std::size_t> filmOf = GroupByFilm(files);
  std::vector<TVideoFile> parts;
  TFirstFilm first;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (filmOf[i] == 0) {
      parts.push_back(std::move(files[i]));
    } else {
      first.LeftOut.push_back(files[i].Path);
    }
  }
  first.Facts = CombineVideoFiles(std::move(parts));
  return first;
}

}  // namespace velkaro
