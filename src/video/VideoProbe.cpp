#include "VideoProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <chrono>
#include <cstdio>
#include <memory>

#include "FpsText.h"
#include "MediaInput.h"

namespace velkaro {

namespace {

// A cap on how long a hostile or slow file can hold the caller.
constexpr auto kProbeDeadline = std::chrono::seconds(5);

// The average rate is the one a player shows; the base rate is the fallback
// for containers that store none.
std::string StreamFps(const AVStream& stream) {
  const TRate timeBase{stream.time_base.num, stream.time_base.den};
  for (const AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate}) {
    std::string text = FpsText({rate.num, rate.den}, timeBase);
    if (!text.empty()) return text;
  }
  return {};
}

std::optional<std::int64_t> DurationOf(const AVFormatContext& context, const AVStream& stream) {
  if (context.duration > 0) return context.duration / (AV_TIME_BASE / 1000);
  if (stream.duration > 0 && stream.time_base.num > 0 && stream.time_base.den > 0) {
    // A broken header's time base can push this past the 64-bit range.
    const std::int64_t ms = av_rescale_q(stream.duration, stream.time_base, AVRational{1, 1000});
    if (ms >= 0) return ms;
  }
  return std::nullopt;
}

TVideoProbe Read(const std::unique_ptr<TMediaInput>& input) {
  if (!input) return {};
  AVFormatContext& context = input->Context();
  const int index = av_find_best_stream(&context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return {};
  const AVStream& stream = *context.streams[index];
  // Cover art is a still picture stored as a video stream.
  if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) return {};
  return {StreamFps(stream), DurationOf(context, stream)};
}

}  // namespace

TVideoProbe ProbeVideoFile(const std::filesystem::path& file) {
  return Read(TMediaInput::OpenFile(file, InterruptAfter(kProbeDeadline)));
}

TVideoProbe ProbeVideoBytes(std::string_view bytes) {
  return Read(TMediaInput::OpenBytes(bytes, InterruptAfter(kProbeDeadline)));
}

std::string DurationText(std::optional<std::int64_t> durationMs) {
  if (!durationMs || *durationMs < 0) return {};
  const std::int64_t ms = *durationMs;
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

}  // namespace velkaro
