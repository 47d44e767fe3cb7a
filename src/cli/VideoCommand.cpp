#include "VideoCommand.h"

#include <iostream>
#include <optional>

#include "ExitStatus.h"
#include "RowFormat.h"
#include "VideoChoices.h"

namespace velkaro {

namespace {

std::string JsonNumber(std::optional<int> value) { return value ? std::to_string(*value) : "null"; }

std::string PlainNumber(std::optional<int> value) { return value ? std::to_string(*value) : std::string(); }

}  // namespace

std::string VideoLine(const TVideoFile& file, int partCount, bool json) {
  const std::string duration = DurationText(file.Probe.DurationMs);
  if (json) {
    return "{\"path\":" + Utf8JsonString(file.Path.string()) + ",\"title\":" + Utf8JsonString(file.Name.Title) +
           ",\"year\":" + JsonNumber(file.Name.Year) + ",\"cd\":" + JsonNumber(file.Name.CdNumber) +
           ",\"cdCount\":" + std::to_string(partCount) + ",\"fps\":" + Utf8JsonString(file.Probe.Fps) +
           ",\"duration\":" + Utf8JsonString(duration) + "}";
  }
  return Utf8TabField(file.Path.string()) + "\t" + Utf8TabField(file.Name.Title) + "\t" + PlainNumber(file.Name.Year) + "\t" +
         PlainNumber(file.Name.CdNumber) + "\t" + std::to_string(partCount) + "\t" + file.Probe.Fps + "\t" + duration;
}

int RunVideoCommand(const std::vector<std::string_view>& args) {
  bool json = false;
  std::vector<TVideoFile> files;
  for (const std::string_view arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.starts_with("--")) {
      return kExitUsage;
    } else {
      files.push_back(ReadVideoFile(std::filesystem::path(arg)));
    }
  }
  if (files.empty()) return kExitUsage;

  // The parts given together make one film; each line counts its own film's.
  const std::vector<std::size_t> filmOf = GroupByFilm(files);
  std::vector<std::vector<TVideoFile>> films;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (filmOf[i] == films.size()) films.emplace_back();
    films[filmOf[i]].push_back(files[i]);
  }
  std::vector<int> partCounts;
  for (auto& film : films) partCounts.push_back(CombineVideoFiles(std::move(film)).PartCount);
  int status = kExitClean;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TVideoFile& file = files[i];
    std::cout << VideoLine(file, partCounts[filmOf[i]], json) << '\n';
    std::error_code error;
    if (!std::filesystem::exists(file.Path, error)) status = kExitFailed;
  }
  return status;
}

TSearchChoices VideoSearchChoices(const std::vector<std::filesystem::path>& videos, TSearchChoices base) {
  FillFromVideo(ReadVideoFacts(videos), TVideoFilters::CdAndFps, base);
  // The command line lists its --video options again over this.
  base.Videos.clear();
  return base;
}

}  // namespace velkaro
