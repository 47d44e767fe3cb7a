#include "VideoProbe.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "FpsText.h"

namespace velkaro {

namespace {

// Enough to meet a video stream's header in any common container, and a cap
// on how long a hostile or slow file can hold the caller.
constexpr const char* kProbeSize = "2000000";
constexpr const char* kAnalyzeMicroseconds = "3000000";
constexpr auto kProbeDeadline = std::chrono::seconds(5);
constexpr int kIoBufferSize = 32 * 1024;

// Containers a film comes in. Playlists and concatenating formats stay out:
// they would open further files or addresses named inside the video.
constexpr const char* kFormatWhitelist =
    "avi,matroska,webm,mov,mp4,m4a,3gp,3g2,mj2,mpeg,mpegts,mpegvideo,m4v,flv,asf,ogg,rm,nut,h264,hevc,ivf,dv,"
    "wtv,mxf,yuv4mpegpipe,vc1,rawvideo,nsv,smk,bink";

struct TDictFree {
  void operator()(AVDictionary* dict) const { av_dict_free(&dict); }
};
using TDict = std::unique_ptr<AVDictionary, TDictFree>;

struct TFormatClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using TFormatContext = std::unique_ptr<AVFormatContext, TFormatClose>;

// libavformat reallocates the buffer it was given; the context owns whichever is current.
struct TIoFree {
  void operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};
using TIoContext = std::unique_ptr<AVIOContext, TIoFree>;

void SilenceLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

TDict ProbeOptions(const char* protocols) {
  AVDictionary* raw = nullptr;
  av_dict_set(&raw, "probesize", kProbeSize, 0);
  av_dict_set(&raw, "analyzeduration", kAnalyzeMicroseconds, 0);
  av_dict_set(&raw, "format_whitelist", kFormatWhitelist, 0);
  av_dict_set(&raw, "protocol_whitelist", protocols, 0);
  return TDict(raw);
}

struct TDeadline {
  std::chrono::steady_clock::time_point At = std::chrono::steady_clock::now() + kProbeDeadline;

  static int Passed(void* self) {
    return std::chrono::steady_clock::now() > static_cast<TDeadline*>(self)->At ? 1 : 0;
  }
};

TFormatContext NewContext(TDeadline& deadline) {
  TFormatContext context(avformat_alloc_context());
  if (!context) return context;
  context->interrupt_callback = {&TDeadline::Passed, &deadline};
  return context;
}

// Opens `url` in `context` (which it releases on failure, as libavformat does).
bool Open(TFormatContext& context, const char* url, const char* protocols) {
  TDict options = ProbeOptions(protocols);
  AVDictionary* raw = options.release();
  AVFormatContext* owned = context.release();
  const int status = avformat_open_input(&owned, url, nullptr, &raw);
  options.reset(raw);
  context.reset(owned);
  return status >= 0 && context != nullptr;
}

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

TVideoProbe Read(AVFormatContext& context) {
  if (avformat_find_stream_info(&context, nullptr) < 0) return {};
  const int index = av_find_best_stream(&context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return {};
  const AVStream& stream = *context.streams[index];
  // Cover art is a still picture stored as a video stream.
  if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) return {};
  return {StreamFps(stream), DurationOf(context, stream)};
}

struct TMemoryReader {
  std::string_view Bytes;
  std::size_t Position = 0;

  static int ReadPacket(void* self, std::uint8_t* buffer, int size) {
    auto& reader = *static_cast<TMemoryReader*>(self);
    const std::size_t left = reader.Bytes.size() - reader.Position;
    if (left == 0) return AVERROR_EOF;
    const std::size_t count = std::min(left, static_cast<std::size_t>(size));
    std::memcpy(buffer, reader.Bytes.data() + reader.Position, count);
    reader.Position += count;
    return static_cast<int>(count);
  }

  static std::int64_t Seek(void* self, std::int64_t offset, int whence) {
    auto& reader = *static_cast<TMemoryReader*>(self);
    const auto size = static_cast<std::int64_t>(reader.Bytes.size());
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE: return size;
      case SEEK_SET: target = offset; break;
      case SEEK_CUR: target = static_cast<std::int64_t>(reader.Position) + offset; break;
      case SEEK_END: target = size + offset; break;
      default: return AVERROR(EINVAL);
    }
    if (target < 0 || target > size) return AVERROR(EINVAL);
    reader.Position = static_cast<std::size_t>(target);
    return target;
  }
};

}  // namespace

TVideoProbe ProbeVideoFile(const std::filesystem::path& file) {
  SilenceLibraryLog();
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  TDeadline deadline;
  TFormatContext context = NewContext(deadline);
  if (!context) return {};
  // "file:" keeps a name such as "http:x" or "concat:a|b" a plain file name.
  const std::string url = "file:" + file.string();
  if (!Open(context, url.c_str(), "file")) return {};
  return Read(*context);
}

TVideoProbe ProbeVideoBytes(std::string_view bytes) {
  SilenceLibraryLog();
  TMemoryReader reader{bytes};
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return {};
  TIoContext io(avio_alloc_context(buffer, kIoBufferSize, 0, &reader, &TMemoryReader::ReadPacket, nullptr,
                                   &TMemoryReader::Seek));
  if (!io) {
    av_free(buffer);
    return {};
  }
  TDeadline deadline;
  TFormatContext context = NewContext(deadline);
  if (!context) return {};
  context->pb = io.get();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  // Declared after `io`, the context is closed first.
  if (!Open(context, "", "none")) return {};
  return Read(*context);
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
