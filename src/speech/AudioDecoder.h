#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>

#include "VoiceDetector.h"

// A film's audio decoded with libavcodec and made mono at the voice
// detector's rate with libswresample, one decoded frame at a time: however
// long the film, no more than a frame's samples are held at once. No Qt.

namespace velkaro {

class TMediaInput;

enum class TSpeechFailure {
  Unreadable,    // no file, or no container a film comes in
  NoAudio,       // a film without an audio stream
  Undecodable,   // an audio stream no decoder here can read, or not one frame of it decoded
};

class TSpeechError : public std::runtime_error {
 public:
  TSpeechError(TSpeechFailure failure, const char* what) : std::runtime_error(what), Failure(failure) {}
  TSpeechFailure Failure;
};

// Thrown when the caller's stop request ends the reading.
struct TSpeechStopped {};

struct TSpeechListener {
  // Polled between frames and during blocking reads; true stops the reading.
  std::function<bool()> Stopped;
  // The share of the film read so far, 0 to 100, each time it grows; only
  // when the container tells the film's duration.
  std::function<void(int percent)> Progress;
};

// Where the decoded samples go, in film order from the film's start.
class IAudioSink {
 public:
  virtual ~IAudioSink() = default;
  virtual void Samples(std::span<const std::int16_t> samples) = 0;
  // A stretch without audio in the stream (a late start, a gap).
  virtual void Silence(std::int64_t count) = 0;
};

// Decodes the default audio stream (else the first) of `input` into `sink`.
// Broken packets are skipped as players skip them. Throws TSpeechError for
// no audio or nothing decodable, TSpeechStopped on a stop request.
void DecodeAudio(TMediaInput& input, IAudioSink& sink, const TSpeechListener& listener);

}  // namespace velkaro
