#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "SubtitleFormat.h"

// SubRip and MicroDVD texts moved and stretched in time, every byte but the
// times kept as written.

namespace velkaro {

// A subtitle time t (ms) becomes t × Num / Den + OffsetMs, rounded to the
// nearest millisecond; Num and Den are positive.
struct TRetiming {
  std::int64_t Num = 1;
  std::int64_t Den = 1;
  std::int64_t OffsetMs = 0;

  std::int64_t Apply(std::int64_t ms) const;
  double Apply(double ms) const;
};

struct TRetimed {
  std::string Text;
  int Cut = 0;      // cues that began before the film and now begin at 0
  int Dropped = 0;  // cues that ended before the film, left out
};

// Whether RetimeSubtitle writes `format`.
bool CanRetime(TSubtitleFormat format);

// "01:02:03,450": a time as SubRip writes it (hours as many digits as they take).
std::string SubRipClock(std::int64_t ms);

// `utf8` with every cue's times retimed, cues in the order written. A cue
// that would end before 0, or is moved to end at 0, is left out (SubRip's
// cue numbers then run from 1 again); one that would start before 0 starts
// at 0. MicroDVD frames are read at the rate the text declares, else at
// `videoFps`, and written at `videoFps`, the declaration set to it. nullopt
// for a text in a format CanRetime refuses, or in none.
std::optional<TRetimed> RetimeSubtitle(std::string_view utf8, const TRetiming& retiming, double videoFps);

}  // namespace velkaro
