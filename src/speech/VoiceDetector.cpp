#include "VoiceDetector.h"

#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

#include <stdexcept>

namespace velkaro {

TVoiceDetector::TVoiceDetector()
    : Module_(webrtc::AudioProcessing::Create()), Frame_(std::make_unique<webrtc::AudioFrame>()) {
  if (!Module_) throw std::runtime_error("WebRTC's audio processing module cannot be made");
  webrtc::VoiceDetection& detection = *Module_->voice_detection();
  // The least likely to take noise for a voice: a film's sound is full of it.
  if (detection.Enable(true) != webrtc::AudioProcessing::kNoError ||
      detection.set_likelihood(webrtc::VoiceDetection::kVeryLowLikelihood) != webrtc::AudioProcessing::kNoError ||
      detection.set_frame_size_ms(kSpeechFrameMs) != webrtc::AudioProcessing::kNoError) {
    throw std::runtime_error("WebRTC's voice detection cannot be set up");
  }
}

TVoiceDetector::~TVoiceDetector() = default;

bool TVoiceDetector::IsSpeech(std::span<const std::int16_t, kSpeechFrameSamples> frame) {
  Frame_->UpdateFrame(0, 0, frame.data(), frame.size(), kSpeechSampleRate, webrtc::AudioFrame::kNormalSpeech,
                      webrtc::AudioFrame::kVadUnknown, 1);
  if (Module_->ProcessStream(Frame_.get()) != webrtc::AudioProcessing::kNoError) return false;
  return Module_->voice_detection()->stream_has_voice();
}

}  // namespace velkaro
