#include "SubtitleFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "FrameRate.h"
#include "SubtitleFormat.h"
#include "UserText.h"

#include "VideoProbe.h"

namespace velkaro {

namespace {

// A reason in code page 1254, "%1" and "%2" filled with the numbers it is about.
std::string Filled(const char* text, std::string_view first, std::string_view second) {
  return FillIn(Tr1254(text), {first, second});
}

// "1:02:03", rounded down to the second: enough to see the mismatch.
std::string ClockText(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60));
  return text;
}

// When the last cue leaves the screen; MicroDVD frames at the video's rate.
std::int64_t LastEndMs(const TSubtitleText& subtitle, std::optional<double> videoFps) {
  std::int64_t last = 0;
  for (const TCue& cue : subtitle.Cues) {
    std::int64_t end = cue.EndMs;
    if (cue.EndFrame >= 0 && videoFps) end = std::llround(static_cast<double>(cue.EndFrame) * 1000.0 / *videoFps);
    last = std::max(last, end);
  }
  return last;
}

}  // namespace

std::optional<std::string> FitProblem(std::string_view utf8, std::optional<std::int64_t> videoMs,
                                      std::optional<double> videoFps) {
  if (!videoMs || *videoMs <= 0) return std::nullopt;
  const auto subtitle = videoFps ? ParseSubtitle(utf8, *videoFps) : ParseSubtitle(utf8);
  if (!subtitle) return Tr1254("Altyazı okunamadı; videonun yanına konmadı.");
  if (subtitle->Cues.size() < kMinFitCues) {
    return Filled(VK_TEXT("Altyazıda yalnız %1 replik var (en az %2); videonun yanına konmadı."),
                  std::to_string(subtitle->Cues.size()), std::to_string(kMinFitCues));
  }
  const std::int64_t end = LastEndMs(*subtitle, videoFps);
  const auto video = static_cast<double>(*videoMs);
  if (static_cast<double>(end) > video * kLatestEndShare) {
    return Filled(VK_TEXT("Altyazı videodan uzun (son replik %1, video %2); videonun yanına konmadı."), ClockText(end),
                  ClockText(*videoMs));
  }
  if (static_cast<double>(end) < video * kEarliestEndShare) {
    return Filled(VK_TEXT("Altyazı videodan kısa (son replik %1, video %2); videonun yanına konmadı."), ClockText(end),
                  ClockText(*videoMs));
  }
  return std::nullopt;
}

std::optional<std::string> FitProblemBeside(std::string_view utf8, const std::filesystem::path& video,
                                            std::size_t part, std::size_t parts) {
  const TVideoProbe probe = ProbeVideoFile(video);
  auto problem = FitProblem(utf8, probe.DurationMs, ParseFrameRate(probe.Fps));
  if (problem && parts > 1) problem = Filled(VK_TEXT("CD %1: %2"), std::to_string(part + 1), *problem);
  return problem;
}

}  // namespace velkaro
