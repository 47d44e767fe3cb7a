#include "AudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <memory>
#include <vector>

#include "MediaInput.h"

namespace velkaro {

namespace {

// Past this a timestamp is taken for a broken one: reading ends there rather
// than filling days of silence.
constexpr std::int64_t kLongestFilmSamples = std::int64_t{12} * 3600 * kSpeechSampleRate;
constexpr int kResampleFilterSize = 8;
// Timestamps a little apart are the codec's rounding, not a gap to fill.
constexpr std::int64_t kGapSamples = kSpeechSampleRate / 50;

struct TCodecFree {
  void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct TPacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct TFrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct TResamplerFree {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct TLayoutFree {
  void operator()(AVChannelLayout* layout) const {
    av_channel_layout_uninit(layout);
    delete layout;
  }
};

// The stream marked default, else the first audio stream; -1 for none.
int ChooseAudioStream(const AVFormatContext& context) {
  int first = -1;
  for (unsigned i = 0; i < context.nb_streams; ++i) {
    const AVStream& stream = *context.streams[i];
    if (stream.codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    if (stream.disposition & AV_DISPOSITION_DEFAULT) return static_cast<int>(i);
    if (first < 0) first = static_cast<int>(i);
  }
  return first;
}

std::unique_ptr<AVCodecContext, TCodecFree> OpenDecoder(const AVStream& stream) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (codec == nullptr) throw TSpeechError(TSpeechFailure::Undecodable, "no decoder for the audio stream");
  std::unique_ptr<AVCodecContext, TCodecFree> context(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0) {
    throw TSpeechError(TSpeechFailure::Undecodable, "the audio decoder does not open");
  }
  // Decoders that can mix down to one channel themselves (AC-3's does, before
  // its transforms) spare the work on channels that would be mixed anyway.
  AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
  av_opt_set_chlayout(context.get(), "downmix", &mono, AV_OPT_SEARCH_CHILDREN);
  if (avcodec_open2(context.get(), codec, nullptr) < 0) {
    throw TSpeechError(TSpeechFailure::Undecodable, "the audio decoder does not open");
  }
  context->pkt_timebase = stream.time_base;
  return context;
}

// Frames of any layout, format and rate made mono 16-bit at the detector's
// rate; a frame unlike the one before (a stream that changes its rate)
// sets the resampler up again.
class TMonoResampler {
 public:
  // The samples `frame` gives (null: what the resampler still holds).
  std::span<const std::int16_t> Convert(const AVFrame* frame) {
    if (frame != nullptr && !Fits(*frame)) Configure(*frame);
    if (!Resampler_) return {};
    const int input = frame != nullptr ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(Resampler_.get(), input);
    if (room <= 0) return {};
    // Grown, never shrunk: it settles at the largest frame's size.
    if (Buffer_.size() < static_cast<std::size_t>(room)) Buffer_.resize(static_cast<std::size_t>(room));
    auto* out = reinterpret_cast<std::uint8_t*>(Buffer_.data());
    const int made = swr_convert(Resampler_.get(), &out, room,
                                 frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr,
                                 input);
    if (made <= 0) return {};
    return {Buffer_.data(), static_cast<std::size_t>(made)};
  }

  // Samples taken in but not yet given out.
  std::int64_t Pending() const { return Resampler_ ? swr_get_delay(Resampler_.get(), kSpeechSampleRate) : 0; }

 private:
  bool Fits(const AVFrame& frame) const {
    return Resampler_ && frame.format == Format_ && frame.sample_rate == Rate_ &&
           av_channel_layout_compare(&frame.ch_layout, Layout_.get()) == 0;
  }

  void Configure(const AVFrame& frame) {
    Resampler_.reset();
    std::unique_ptr<AVChannelLayout, TLayoutFree> layout(new AVChannelLayout{});
    // A stream that names no layout gets the usual one for its channel count.
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_copy(layout.get(), &frame.ch_layout) < 0) {
      av_channel_layout_default(layout.get(), frame.ch_layout.nb_channels);
    }
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* raw = nullptr;
    if (frame.sample_rate <= 0 || layout->nb_channels <= 0 ||
        swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_S16, kSpeechSampleRate, layout.get(),
                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0) {
      return;
    }
    std::unique_ptr<SwrContext, TResamplerFree> resampler(raw);
    // A short filter: the detector hears speech, not fidelity, and the long
    // default would cost as much as the decoding.
    av_opt_set_int(resampler.get(), "filter_size", kResampleFilterSize, 0);
    if (swr_init(resampler.get()) < 0) return;
    Resampler_ = std::move(resampler);
    Layout_ = std::move(layout);
    Format_ = frame.format;
    Rate_ = frame.sample_rate;
  }

  std::unique_ptr<SwrContext, TResamplerFree> Resampler_;
  std::unique_ptr<AVChannelLayout, TLayoutFree> Layout_;
  int Format_ = -1;
  int Rate_ = 0;
  std::vector<std::int16_t> Buffer_;
};

class TAudioReader {
 public:
  TAudioReader(TMediaInput& input, IAudioSink& sink, const TSpeechListener& listener)
      : Context_(input.Context()), Sink_(sink), Listener_(listener) {
    const int index = ChooseAudioStream(Context_);
    if (index < 0) throw TSpeechError(TSpeechFailure::NoAudio, "the film has no audio stream");
    Stream_ = Context_.streams[index];
    for (unsigned i = 0; i < Context_.nb_streams; ++i) {
      if (static_cast<int>(i) != index) Context_.streams[i]->discard = AVDISCARD_ALL;
    }
    Decoder_ = OpenDecoder(*Stream_);
    Origin_ = Context_.start_time != AV_NOPTS_VALUE ? av_rescale_q(Context_.start_time, AV_TIME_BASE_Q, Stream_->time_base)
                                                     : 0;
    if (Context_.duration > 0) DurationSamples_ = av_rescale(Context_.duration, kSpeechSampleRate, AV_TIME_BASE);
  }

  void Run() {
    std::unique_ptr<AVPacket, TPacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, TFrameFree> frame(av_frame_alloc());
    if (!packet || !frame) throw std::bad_alloc();
    while (!Ended_ && av_read_frame(&Context_, packet.get()) >= 0) {
      if (Listener_.Stopped && Listener_.Stopped()) throw TSpeechStopped{};
      if (packet->stream_index == Stream_->index) {
        // A packet the decoder refuses is skipped; the frames around it still count.
        if (avcodec_send_packet(Decoder_.get(), packet.get()) >= 0) Drain(*frame);
      }
      av_packet_unref(packet.get());
    }
    if (Listener_.Stopped && Listener_.Stopped()) throw TSpeechStopped{};
    if (avcodec_send_packet(Decoder_.get(), nullptr) >= 0) Drain(*frame);
    Hand(Resampler_.Convert(nullptr));
    if (!Decoded_) throw TSpeechError(TSpeechFailure::Undecodable, "no audio frame could be decoded");
  }

 private:
  void Drain(AVFrame& frame) {
    while (!Ended_ && avcodec_receive_frame(Decoder_.get(), &frame) >= 0) {
      Decoded_ = true;
      FillGapBefore(frame);
      Hand(Resampler_.Convert(&frame));
      av_frame_unref(&frame);
    }
  }

  // Silence up to where the frame's timestamp puts it, when the stream
  // skipped ahead; a frame placed earlier just follows on.
  void FillGapBefore(const AVFrame& frame) {
    if (frame.best_effort_timestamp == AV_NOPTS_VALUE) return;
    const std::int64_t at =
        av_rescale_q(frame.best_effort_timestamp - Origin_, Stream_->time_base, AVRational{1, kSpeechSampleRate});
    if (at > kLongestFilmSamples) {
      Ended_ = true;
      return;
    }
    const std::int64_t reached = Handed_ + Resampler_.Pending();
    if (at - reached <= kGapSamples) return;
    Sink_.Silence(at - reached);
    Handed_ = at - Resampler_.Pending();
    Report();
  }

  void Hand(std::span<const std::int16_t> samples) {
    if (samples.empty()) return;
    Sink_.Samples(samples);
    Handed_ += static_cast<std::int64_t>(samples.size());
    if (Handed_ > kLongestFilmSamples) Ended_ = true;
    Report();
  }

  void Report() {
    if (!Listener_.Progress || DurationSamples_ <= 0) return;
    const int percent = static_cast<int>(std::clamp<std::int64_t>(Handed_ * 100 / DurationSamples_, 0, 100));
    if (percent <= Percent_) return;
    Percent_ = percent;
    Listener_.Progress(percent);
  }

  AVFormatContext& Context_;
  IAudioSink& Sink_;
  const TSpeechListener& Listener_;
  AVStream* Stream_ = nullptr;
  std::unique_ptr<AVCodecContext, TCodecFree> Decoder_;
  TMonoResampler Resampler_;
  std::int64_t Origin_ = 0;
  std::int64_t DurationSamples_ = 0;
  std::int64_t Handed_ = 0;
  int Percent_ = -1;
  bool Decoded_ = false;
  bool Ended_ = false;
};

}  // namespace

void DecodeAudio(TMediaInput& input, IAudioSink& sink, const TSpeechListener& listener) {
  TAudioReader(input, sink, listener).Run();
}

}  // namespace velkaro
