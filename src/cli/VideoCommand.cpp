#include "VideoCommand.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>

#include "VideoChoices.h"

namespace velkaro {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitMissing = 1;
constexpr int kExitUsage = 2;

// File names are UTF-8 already; control characters are escaped, other bytes kept.
std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(std::optional<int> value) { return value ? std::to_string(*value) : "null"; }

// Backslash, tab, CR and LF escaped so that every file stays one line.
std::string TabText(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

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
    return "{\"path\":" + JsonText(file.Path.string()) + ",\"title\":" + JsonText(file.Name.Title) +
           ",\"year\":" + JsonNumber(file.Name.Year) + ",\"cd\":" + JsonNumber(file.Name.CdNumber) +
           ",\"cdCount\":" + std::to_string(partCount) + ",\"fps\":" + JsonText(file.Probe.Fps) +
           ",\"duration\":" + JsonText(duration) + "}";
  }
  return TabText(file.Path.string()) + "\t" + TabText(file.Name.Title) + "\t" + PlainNumber(file.Name.Year) + "\t" +
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
  int status = kExitDone;
  for (const TVideoFile& file : files) {
    const int parts = CombineVideoFiles(films[FilmKey(file)]).PartCount;
    std::cout << VideoLine(file, parts, json) << '\n';
    std::error_code error;
    if (!std::filesystem::exists(file.Path, error)) status = kExitMissing;
  }
  return status;
}

TSearchChoices VideoSearchChoices(const std::vector<std::filesystem::path>& videos, TSearchChoices base) {
  FillFromVideo(ReadVideoFacts(videos), TOffListFps::Custom, base);
  // The command line lists its --video options again over this.
  base.Videos.clear();
  return base;
}

}  // namespace velkaro
