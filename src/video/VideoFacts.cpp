#include "VideoFacts.h"

#include <algorithm>

namespace velkaro {

namespace {

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

}  // namespace velkaro
