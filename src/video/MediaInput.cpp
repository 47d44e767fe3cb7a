#include "MediaInput.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>

namespace velkaro {

namespace {

// Enough to meet every stream's header in any common container.
constexpr const char* kProbeSize = "2000000";
constexpr const char* kAnalyzeMicroseconds = "3000000";
constexpr int kIoBufferSize = 32 * 1024;

// Containers a film comes in. Playlists and concatenating formats stay out:
// they would open further files or addresses named inside the film.
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

TDict OpenOptions(const char* protocols) {
  AVDictionary* raw = nullptr;
  av_dict_set(&raw, "probesize", kProbeSize, 0);
  av_dict_set(&raw, "analyzeduration", kAnalyzeMicroseconds, 0);
  av_dict_set(&raw, "format_whitelist", kFormatWhitelist, 0);
  av_dict_set(&raw, "protocol_whitelist", protocols, 0);
  return TDict(raw);
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

// Declared in the order they are made; the format context, declared last, is closed first.
struct TMediaInput::TState {
  TMediaInput::TInterrupt Interrupt;
  TMemoryReader Reader;
  TIoContext Io;
  TFormatContext Context;

  static int Interrupted(void* self) {
    const auto& interrupt = static_cast<TState*>(self)->Interrupt;
    return interrupt && interrupt() ? 1 : 0;
  }

  // A new context that polls `Interrupt`, reading through `Io` when there is one.
  bool NewContext() {
    Context.reset(avformat_alloc_context());
    if (!Context) return false;
    Context->interrupt_callback = {&TState::Interrupted, this};
    if (Io) {
      Context->pb = Io.get();
      Context->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    return true;
  }

  // Opens `url` (libavformat releases the context on failure) and reads its streams.
  bool Open(const char* url, const char* protocols) {
    if (!NewContext()) return false;
    TDict options = OpenOptions(protocols);
    AVDictionary* rawOptions = options.release();
    AVFormatContext* owned = Context.release();
    const int status = avformat_open_input(&owned, url, nullptr, &rawOptions);
    options.reset(rawOptions);
    Context.reset(owned);
    return status >= 0 && Context && avformat_find_stream_info(Context.get(), nullptr) >= 0;
  }
};

TMediaInput::TMediaInput(std::unique_ptr<TState> state) : State_(std::move(state)) {}
TMediaInput::~TMediaInput() = default;

AVFormatContext& TMediaInput::Context() const { return *State_->Context; }

std::unique_ptr<TMediaInput> TMediaInput::OpenFile(const std::filesystem::path& file, TInterrupt interrupt) {
  SilenceLibraryLog();
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return nullptr;
  auto state = std::make_unique<TState>();
  state->Interrupt = std::move(interrupt);
  const std::string url = "file:" + file.string();
  if (!state->Open(url.c_str(), "file")) return nullptr;
  return std::unique_ptr<TMediaInput>(new TMediaInput(std::move(state)));
}

std::unique_ptr<TMediaInput> TMediaInput::OpenBytes(std::string_view bytes, TInterrupt interrupt) {
  SilenceLibraryLog();
  auto state = std::make_unique<TState>();
  state->Interrupt = std::move(interrupt);
  state->Reader.Bytes = bytes;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return nullptr;
  state->Io.reset(avio_alloc_context(buffer, kIoBufferSize, 0, &state->Reader, &TMemoryReader::ReadPacket, nullptr,
                                     &TMemoryReader::Seek));
  if (!state->Io) {
    av_free(buffer);
    return nullptr;
  }
  if (!state->Open("", "none")) return nullptr;
  return std::unique_ptr<TMediaInput>(new TMediaInput(std::move(state)));
}

TMediaInput::TInterrupt InterruptAfter(std::chrono::steady_clock::duration limit) {
  return [at = std::chrono::steady_clock::now() + limit] { return std::chrono::steady_clock::now() > at; };
}

}  // namespace velkaro
