#pragma once

#include <optional>
#include <string>
#include <string_view>

// MicroDVD subtitles ("{start}{end}text", times in frames) made to fit a
// video of another frame rate. Time-based formats have nothing to convert.

namespace velkaro {

// "23,976", "23.976", "25" (blanks around allowed); nullopt for anything else
// or a rate no film has (below 1 or above 1000).
std::optional<double> ParseFrameRate(std::string_view text);

// Whether the first line with text is a MicroDVD line.
bool IsMicroDvd(std::string_view text);

// The rate a "{1}{1}23.976" first line declares.
std::optional<double> DeclaredFrameRate(std::string_view text);

// Every frame number scaled by videoFps / the subtitle's rate (its declared
// rate, else `fallbackFps`), rounded to the nearest frame, and the "{1}{1}"
// line set to the video's rate. Unchanged when the rate is unknown or already
// the video's, or the text is no MicroDVD.
std::string ConvertFrames(std::string_view text, double videoFps, std::optional<double> fallbackFps);

// The same cues as SubRip with times exact to the millisecond at `fps`: "|"
// breaks the line, control codes such as {y:i} are dropped (SubRip players
// would show them), a cue without an end lasts until the next one starts.
std::string MicroDvdToSubRip(std::string_view text, double fps);

}  // namespace velkaro
