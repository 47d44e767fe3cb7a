#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "SearchCommand.h"
#include "VideoFacts.h"
#include "UserText.h"

namespace velkaro {

inline constexpr const char* kVideoUsage = VK_TEXT("       velkaro-cli video [--json] PATH...\n");

// Per path: the guessed title, year, CD number and count, FPS text and
// duration, tab-separated or as one JSON object a line. Exit status: 0, 1
// when a path does not exist (its name is still read), 2 bad usage.
int RunVideoCommand(const std::vector<std::string_view>& args);

// One output line for `file`, whose film has `partCount` parts.
std::string VideoLine(const TVideoFile& file, int partCount, bool json);

// `base` with film, CD and FPS filled from the videos, the parts of one film;
// options given on the command line are applied over it afterwards.
TSearchChoices VideoSearchChoices(const std::vector<std::filesystem::path>& videos, TSearchChoices base);

}  // namespace velkaro
