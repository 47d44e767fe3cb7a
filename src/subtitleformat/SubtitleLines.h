#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The cue lines of SubRip and MicroDVD as the format reader reads them, for
// the writers in this folder that change a text's times and keep the rest.

namespace velkaro::subtitle_lines {

// Lines without their ends, a leading byte-order mark left out.
std::vector<std::string_view> SplitLines(std::string_view text);

// "00:00:01,000 --> 00:00:03,500 X1:40": the times and what follows the second, as written.
struct TSubRipTimes {
  std::int64_t StartMs = 0;
  std::int64_t EndMs = 0;
  std::string_view Rest;
};
std::optional<TSubRipTimes> SubRipTimes(std::string_view line);

// "{10}{20}text": the frames (the end may be empty) and the text, as written.
struct TMicroDvdFrames {
  std::int64_t Start = 0;
  std::optional<std::int64_t> End;
  std::string_view Text;
};
std::optional<TMicroDvdFrames> MicroDvdFrames(std::string_view line);

// The rate "{1}{1}23.976" declares, read from the text after the frames.
std::optional<double> DeclaredRate(std::string_view text);

}  // namespace velkaro::subtitle_lines
