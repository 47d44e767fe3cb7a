#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What a video file says about itself, read with libavformat. No Qt.

namespace velkaro {

struct TVideoProbe {
  // The first video stream's FPS text ("23,976", "25"); empty when there is
  // no video stream or its rate is unknown or implausible.
  std::string Fps;
  // The container's duration; none without a video stream or when unknown.
  std::optional<std::int64_t> DurationMs;

  bool operator==(const TVideoProbe&) const = default;
};

// A missing, unreadable or non-video file gives an empty probe; nothing throws.
TVideoProbe ProbeVideoFile(const std::filesystem::path& file);
// The same over bytes in memory.
TVideoProbe ProbeVideoBytes(std::string_view bytes);

// "1:02:03.450"; empty for none.
std::string DurationText(std::optional<std::int64_t> durationMs);

}  // namespace velkaro
