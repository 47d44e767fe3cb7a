#include <cstddef>
#include <cstdint>
#include <string_view>

#include "SubtitleFormat.h"
#include "SubtitleRetime.h"

// Any text: written only as SubRip or MicroDVD; a SubRip text left in place
// reads back with the very same times, and one moved back has none before 0.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velkaro;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto format = DetectSubtitleFormat(text);
  const auto moved = RetimeSubtitle(text, {25000, 23976, -2500}, 23.976);
  if (moved.has_value() != (format && CanRetime(*format))) __builtin_trap();
  if (!moved) return 0;
  if (moved->Cut < 0 || moved->Dropped < 0) __builtin_trap();
  if (const auto parsed = ParseSubtitle(moved->Text, 23.976)) {
    for (const auto& cue : parsed->Cues) {
      if (cue.StartMs < 0 || cue.EndMs < cue.StartMs) __builtin_trap();
    }
  }
  if (*format != TSubtitleFormat::SubRip) return 0;
  const auto same = RetimeSubtitle(text, {}, 25);
  const auto before = ParseSubtitle(text);
  const auto after = ParseSubtitle(same->Text);
  if (!before || !after || before->Cues.size() != after->Cues.size()) __builtin_trap();
  for (std::size_t i = 0; i < before->Cues.size(); ++i) {
    if (before->Cues[i].StartMs != after->Cues[i].StartMs || before->Cues[i].EndMs != after->Cues[i].EndMs) __builtin_trap();
  }
  return 0;
}
