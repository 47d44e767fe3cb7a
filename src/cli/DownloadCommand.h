#pragma once

#include <string_view>
#include <vector>

#include "UserText.h"

namespace velkaro {

inline constexpr const char* kDownloadUsage =
    VK_TEXT("       velkaro-cli download --url URL [--film NAME] [--cd TEXT] [--fps TEXT] [--date TEXT] [--out DIR]\n"
            "                            [--video PATH]... [--language TEXT] [--force] [--sync] [--verbose]\n");
inline constexpr const char* kInfoUsage = VK_TEXT("       velkaro-cli --help | --version\n");

// One row's subtitle, as "İndir" fetches it, into DIR under the proposed name.
// Exit status: 0 saved (the path on stdout), 1 nothing saved, 2 bad usage,
// 3 the row opens in the browser (its address on stdout). With --video (one
// per part of the film) the subtitle is then unpacked and converted beside
// the videos as velkaro.ini says, the files written listed on stdout; an
// existing one is not overwritten without --force (status 1, nothing written).
// --sync (or syncToAudio in velkaro.ini) lines each part's subtitle up with
// its video's speech first; one that does not fit is placed as it is.
int RunDownloadCommand(const std::vector<std::string_view>& args);

}  // namespace velkaro
