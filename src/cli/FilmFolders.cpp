#include "FilmFolders.h"

#include <algorithm>
#include <map>
#include <string>
#include <system_error>
#include <tuple>

#include "FilmName.h"
#include "TextHelpers.h"
#include "VideoFacts.h"

namespace velkaro {

namespace {

constexpr std::string_view kSubtitleExtensions[] = {".srt", ".sub", ".ssa", ".ass", ".smi", ".txt", ".vtt"};
// "tr", "eng", "pt-BR", "forced": what may stand between a video's stem and a subtitle's extension.
constexpr std::size_t kMaxLanguageTag = 10;

bool IsVideoName(const std::filesystem::path& file) {
  std::string extension = LowerAscii(file.extension().string());
  if (extension.empty()) return false;
  extension.erase(0, 1);
  return std::find(std::begin(kVideoExtensions), std::end(kVideoExtensions), extension) != std::end(kVideoExtensions);
}

bool IsSubtitleExtension(std::string_view extension) {
  const std::string key = LowerAscii(extension);
  return std::find(std::begin(kSubtitleExtensions), std::end(kSubtitleExtensions), key) !=
         std::end(kSubtitleExtensions);
}

// Letters only, so that "Film.CD1.srt" is no subtitle of "Film.avi".
bool IsLanguageTag(std::string_view tag) {
  return !tag.empty() && tag.size() <= kMaxLanguageTag && std::all_of(tag.begin(), tag.end(), [](char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  });
}

// The videos under `folder`, in name order.
void AddVideosUnder(const std::filesystem::path& folder, std::vector<std::filesystem::path>& videos) {
  std::vector<std::filesystem::path> found;
  std::error_code error;
  const auto options = std::filesystem::directory_options::skip_permission_denied;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, options, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && IsVideoName(it->path())) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  videos.insert(videos.end(), found.begin(), found.end());
}

// The folder a film lives in: a part folder ("CD2") stands for its parent.
std::filesystem::path FilmFolderOf(const std::filesystem::path& video) {
  const std::filesystem::path parent = video.parent_path();
  const TFilmName name = GuessFromName(parent.filename().string(), false);
  return name.CdNumber && name.Title.empty() ? parent.parent_path() : parent;
}

using TFilmKey = std::tuple<std::filesystem::path, std::string, std::optional<int>>;

TFilmKey KeyOf(const TVideoFile& file) {
  return {FilmFolderOf(file.Path), LowerAscii(file.Name.Title), file.Name.Year};
}

}  // namespace

TCollectedFilms CollectFilms(const std::vector<std::filesystem::path>& paths) {
  TCollectedFilms collected;
  std::vector<std::filesystem::path> videos;
  for (const auto& path : paths) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      AddVideosUnder(path, videos);
    } else if (std::filesystem::exists(path, error)) {
      videos.push_back(path);
    } else {
      collected.Missing.push_back(path);
    }
  }
  std::map<TFilmKey, std::size_t> films;
  std::vector<std::vector<TVideoFile>> grouped;
  for (const auto& video : videos) {
    TVideoFile file{video, GuessFilmName(video), {}};
    const auto [found, added] = films.emplace(KeyOf(file), grouped.size());
    if (added) grouped.emplace_back();
    auto& parts = grouped[found->second];
    if (std::none_of(parts.begin(), parts.end(), [&](const TVideoFile& part) { return part.Path == video; })) {
      parts.push_back(std::move(file));
    }
  }
  for (auto& parts : grouped) collected.Films.push_back(CombineVideoFiles(std::move(parts)).Videos);
  return collected;
}

std::optional<std::filesystem::path> SubtitleBeside(const std::filesystem::path& video) {
  const std::string stem = video.stem().string() + ".";
  std::error_code error;
  std::vector<std::filesystem::path> beside;
  for (std::filesystem::directory_iterator it(video.parent_path().empty() ? "." : video.parent_path(), error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::string extension = it->path().extension().string();
    if (!name.starts_with(stem) || !IsSubtitleExtension(extension)) continue;
    // "srt" or "tr.srt" after the stem's dot.
    const std::string_view rest = std::string_view(name).substr(stem.size());
    const std::string_view tag = rest.substr(0, rest.size() + 1 - extension.size());
    if (tag.empty() || (tag.back() == '.' && IsLanguageTag(tag.substr(0, tag.size() - 1)))) {
      beside.push_back(it->path());
    }
  }
  if (beside.empty()) return std::nullopt;
  return *std::min_element(beside.begin(), beside.end());
}

}  // namespace velkaro
