#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SubtitleInfo.h"

namespace velkaro {

// One search as it was started ("Ara" in the dialog, or the command line's
// search). Every row it gives keeps it, so a row knows which search it came
// from and, for a search started from a film's videos, which videos (the
// parts, in part order) it belongs to. Shared by those rows and never
// changed once started.
struct TSearchOrigin {
  std::string Film = {};  // engine text, as typed
  // The filters in force when it started; later rows are judged by the
  // session's current ones.
  TAdvancedSearchOptions Options = {};
  std::vector<std::filesystem::path> Videos = {};  // empty for a search by name

  bool FromVideos() const { return !Videos.empty(); }
};

using TSearchOriginPtr = std::shared_ptr<const TSearchOrigin>;

}  // namespace velkaro
