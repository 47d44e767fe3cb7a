#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// WebRTC's voice detector (the AudioProcessing module's voice_detection
// component of Debian's webrtc-audio-processing 0.3; the package ships no
// header for the bare C detector). It hears speech against silence and
// steady noise, and learns a loud steady noise away within seconds; music
// can pass for speech. No Qt.

namespace webrtc {
class AudioProcessing;
class AudioFrame;
}  // namespace webrtc

namespace velkaro {

// The rate the detector works at inside whatever it is given: audio made
// this rate from the start costs the least to resample and to hear.
inline constexpr int kSpeechSampleRate = 8000;
inline constexpr int kSpeechFrameMs = 10;
inline constexpr std::size_t kSpeechFrameSamples = kSpeechSampleRate * kSpeechFrameMs / 1000;

class TVoiceDetector {
 public:
  // Throws std::runtime_error when the module cannot be set up.
  TVoiceDetector();
  ~TVoiceDetector();
  TVoiceDetector(const TVoiceDetector&) = delete;
  TVoiceDetector& operator=(const TVoiceDetector&) = delete;

  // Whether someone speaks in the next 10 ms of mono 8 kHz audio.
  bool IsSpeech(std::span<const std::int16_t, kSpeechFrameSamples> frame);

 private:
  std::unique_ptr<webrtc::AudioProcessing> Module_;
  std::unique_ptr<webrtc::AudioFrame> Frame_;
};

}  // namespace velkaro
