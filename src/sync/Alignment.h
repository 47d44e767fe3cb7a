#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "SubtitleRetime.h"

// A subtitle's cues lined up with the speech in a film: the frame-rate ratio
// and offset under which the cues fall where people speak, and how sure
// that is. No Qt.

namespace velkaro {

// A subtitle made for one release played with another: its times stretch
// by Num / Den.
struct TFrameRatio {
  std::int64_t Num = 1;
  std::int64_t Den = 1;
  std::string_view Name;  // "25/23,976"

  bool operator==(const TFrameRatio&) const = default;
};

// The rates releases come in, paired as subtitles meet them.
inline constexpr TFrameRatio kFrameRatios[] = {
    {1, 1, "1"},
    {25000, 23976, "25/23,976"},
    {23976, 25000, "23,976/25"},
    {25, 24, "25/24"},
    {24, 25, "24/25"},
    {30, 25, "30/25"},
    {25, 30, "25/30"},
    {29970, 23976, "29,97/23,976"},
};

struct TCueTime {
  std::int64_t StartMs = 0;
  std::int64_t EndMs = 0;
};

struct TAlignment {
  TFrameRatio Ratio;
  TRetiming Retiming;      // from the subtitle's time to the film's
  double Confidence = 0;   // the fit's score in standard deviations above the other offsets' mean
  bool Fits = false;       // confident enough to be applied
};

// Below this a fit is taken for chance: another film's subtitle, or too
// little speech to tell.
inline constexpr double kConfidenceThreshold = 6.0;

// `speech`: one value per 10 ms of the film, nonzero where someone speaks.
// Every ratio of kFrameRatios is tried over every offset that leaves some cue
// in the film; the best pair wins, its offset then set to where the cues'
// starts meet the voices' starts.
TAlignment AlignCues(std::span<const std::uint8_t> speech, std::span<const TCueTime> cues);

}  // namespace velkaro
