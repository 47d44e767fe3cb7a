#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Engine texts are 8-bit strings in code page 1254, kept as raw bytes.

namespace velkaro {

// One found subtitle. Adapters fill it, the result intake copies it into a row.
struct TSubtitleInfo {
  std::string FilmName;
  std::string Url;
  std::string Language;
  std::string CdCount;
  std::string Fps;
  std::string Format;
  std::string DateAdded;
  std::string Uploader;

  bool operator==(const TSubtitleInfo&) const = default;
};

// Receives each record a page walk makes.
using TRecordSink = std::function<void(TSubtitleInfo&)>;

// What the result list lets through. -1, empty and "All" mean "no filter".
struct TAdvancedSearchOptions {
  std::int32_t CdCount = -1;
  std::string Fps;
  std::string Format;
};

}  // namespace velkaro
