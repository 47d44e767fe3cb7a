#include "VideoCommand.h"

#include <cctype>
#include <iostream>
#include <map>
#include <optional>

#include "ExitStatus.h"
#include "RowFormat.h"
#include "VideoChoices.h"

namespace velkaro {

namespace {

std::string JsonNumber(std::optional<int> value) { return value ? std::to_string(*value) : "null"; }

std::string PlainNumber(std::optional<int> value) { return value ? std::to_string(*value) : std::string(); }

// Films are told apart by title, whatever the case: the parts given together
// make one film.
std::string FilmKey(const TVideoFile& file) {
  std::string key;
  for (char c : file.Name.Title) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

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

  std::map<std::string, std::vector<TVideoFile>> films;
  for (const TVideoFile& file : files) films[FilmKey(file)].push_back(file);
  int status = kExitClean;
  for (const TVideoFile& file : files) {
    const int parts = CombineVideoFiles(films[FilmKey(file)]).PartCount;
    std::cout << VideoLine(file, parts, json) << '\n';
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
