#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "AudioDecoder.h"
#include "VoiceDetector.h"

// Where people speak over a whole film, in 10 ms frames. No Qt.

namespace velkaro {

struct TSpeechTrack {
  // One per 10 ms from the film's start: 1 where someone speaks, else 0.
  std::vector<std::uint8_t> Frames;

  std::size_t SpeechFrames() const;
};

// The film's audio as DecodeAudio reads it, heard frame by frame. Throws
// what DecodeAudio throws, and TSpeechError(Unreadable) for a file that is no
// film.
TSpeechTrack ReadSpeech(const std::filesystem::path& film, const TSpeechListener& listener);
// The same over a film's bytes in memory.
TSpeechTrack ReadSpeechBytes(std::string_view film, const TSpeechListener& listener);

}  // namespace velkaro
