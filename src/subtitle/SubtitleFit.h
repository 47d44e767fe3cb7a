#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Whether a subtitle's text belongs to a video: a subtitle of its format with
// enough cues, whose last one ends near the video's end. A subtitle of
// another film, of one CD of two, or cut short fails; so does a text that is
// no subtitle.

namespace velkaro {

inline constexpr std::size_t kMinFitCues = 10;
// The last cue ends no later than the video's length plus 5% and no earlier than 60% of it.
inline constexpr double kLatestEndShare = 1.05;
inline constexpr double kEarliestEndShare = 0.60;

// Why `utf8` does not fit a video of `videoMs` milliseconds, as one engine text
// (code page 1254); nothing when it fits or the length is unknown. MicroDVD
// frames are measured at `videoFps`, as players show them.
std::optional<std::string> FitProblem(std::string_view utf8, std::optional<std::int64_t> videoMs,
                                      std::optional<double> videoFps);

// The same for the part `video`, probed for its length and frame rate; "CD 2: "
// goes before the reason when the film has several parts.
std::optional<std::string> FitProblemBeside(std::string_view utf8, const std::filesystem::path& video,
                                            std::size_t part, std::size_t parts);

}  // namespace velkaro
