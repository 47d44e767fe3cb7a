#pragma once

#include <cstdint>
#include <string>

// A video's frame rate as the FPS text that rows and filters use: "23,976",
// "25", "29,97"; a comma, at most three decimals.

namespace velkaro {

struct TRate {
  std::int64_t Num = 0;
  std::int64_t Den = 0;
};

// Empty for a rate that no film has: zero, negative, undefined, below one or
// above 1000 frames a second, or the stream's time base read as a rate (1000 for a
// millisecond clock, 90000 for a transport stream). `timeBase` may be {0, 0}.
std::string FpsText(TRate rate, TRate timeBase = {});

// `fps` with at most three decimals, trailing zeros dropped: "23,976" and
// "25" with a comma, "23.976" with a point.
std::string DecimalFpsText(double fps, char point = ',');

}  // namespace velkaro
