#include "SpeechTrack.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

#include "MediaInput.h"

namespace velkaro {

namespace {

// Samples gathered into whole 10 ms frames for the detector. Silence the
// stream left out is not speech, whatever the detector would say.
class TSpeechCollector final : public IAudioSink {
 public:
  explicit TSpeechCollector(TSpeechTrack& track) : Track_(track) {}

  void Samples(std::span<const std::int16_t> samples) override {
    while (!samples.empty()) {
      const std::size_t take = std::min(samples.size(), Frame_.size() - Filled_);
      std::copy_n(samples.begin(), take, Frame_.begin() + static_cast<std::ptrdiff_t>(Filled_));
      Filled_ += take;
      samples = samples.subspan(take);
      if (Filled_ == Frame_.size()) {
        Track_.Frames.push_back(Detector_.IsSpeech(Frame_) ? 1 : 0);
        Filled_ = 0;
      }
    }
  }

  void Silence(std::int64_t count) override {
    const std::array<std::int16_t, kSpeechFrameSamples> quiet{};
    // The frame under way is completed as sound; whole frames after it are silence as they stand.
    if (Filled_ > 0) {
      const auto take = static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(Frame_.size() - Filled_)));
      Samples(std::span(quiet).first(take));
      count -= static_cast<std::int64_t>(take);
    }
    const auto frames = count / static_cast<std::int64_t>(kSpeechFrameSamples);
    Track_.Frames.insert(Track_.Frames.end(), static_cast<std::size_t>(frames), 0);
    Samples(std::span(quiet).first(static_cast<std::size_t>(count % static_cast<std::int64_t>(kSpeechFrameSamples))));
  }

 private:
  TSpeechTrack& Track_;
  TVoiceDetector Detector_;
  std::array<std::int16_t, kSpeechFrameSamples> Frame_{};
  std::size_t Filled_ = 0;
};

TSpeechTrack Listen(const std::unique_ptr<TMediaInput>& input, const TSpeechListener& listener) {
  if (listener.Stopped && listener.Stopped()) throw TSpeechStopped{};
  if (!input) throw TSpeechError(TSpeechFailure::Unreadable, "the file is no film");
  TSpeechTrack track;
  TSpeechCollector collector(track);
  DecodeAudio(*input, collector, listener);
  return track;
}

}  // namespace

std::size_t TSpeechTrack::SpeechFrames() const {
  return static_cast<std::size_t>(std::count(Frames.begin(), Frames.end(), std::uint8_t{1}));
}

TSpeechTrack ReadSpeech(const std::filesystem::path& film, const TSpeechListener& listener) {
  return Listen(TMediaInput::OpenFile(film, listener.Stopped), listener);
}

TSpeechTrack ReadSpeechBytes(std::string_view film, const TSpeechListener& listener) {
  return Listen(TMediaInput::OpenBytes(film, listener.Stopped), listener);
}

}  // namespace velkaro
