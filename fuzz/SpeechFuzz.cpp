#include <cstddef>
#include <cstdint>
#include <string_view>

#include "SpeechTrack.h"

// Any bytes as a film: the speech is read or a failure told, never more
// frames than the longest film has.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const velkaro::TSpeechTrack track =
        velkaro::ReadSpeechBytes(std::string_view(reinterpret_cast<const char*>(data), size), {});
    if (track.Frames.size() > std::size_t{12} * 3600 * 100 + 1) __builtin_trap();
    for (const std::uint8_t frame : track.Frames) {
      if (frame > 1) __builtin_trap();
    }
  } catch (const velkaro::TSpeechError&) {
  }
  return 0;
}
