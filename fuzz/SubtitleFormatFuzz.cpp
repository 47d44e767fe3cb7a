#include <cstddef>
#include <cstdint>
#include <string_view>

#include "SubtitleFormat.h"

// Any text: the format told agrees with the parse, and every cue has a
// length of zero or more and some text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto format = velkaro::DetectSubtitleFormat(text);
  const auto parsed = velkaro::ParseSubtitle(text, 23.976);
  if (format.has_value() != parsed.has_value()) __builtin_trap();
  if (!parsed) return 0;
  if (parsed->Format != *format) __builtin_trap();
  for (const auto& cue : parsed->Cues) {
    if (cue.StartMs < 0 || cue.EndMs < cue.StartMs || cue.Text.empty()) __builtin_trap();
  }
  return 0;
}
