#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ArchiveReader.h"
#include "FrameRate.h"
#include "TextEncoding.h"
#include "PartMatch.h"

namespace {

// Small caps keep each run quick; the reading is the same as at full size.
constexpr velkaro::TUnpackLimits kLimits{1 << 20, 1000};

// A text through the steps a download's subtitle takes: UTF-8 out, MicroDVD
// frames scaled and turned into SubRip without losing the UTF-8.
void ReadText(std::string_view bytes) {
  const auto utf8 = velkaro::TextToUtf8(bytes);
  if (!utf8) return;
  if (!velkaro::IsValidUtf8(utf8->Text)) __builtin_trap();
  const std::string frames = velkaro::ConvertFrames(utf8->Text, 25, 23.976);
  if (!velkaro::IsMicroDvd(utf8->Text) && frames != utf8->Text) __builtin_trap();
  if (!velkaro::IsValidUtf8(velkaro::MicroDvdToSubRip(frames, 25))) __builtin_trap();
}

}  // namespace

// Any bytes: as a download (an archive or not), then each subtitle inside as a text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const velkaro::TUnpacked unpacked = velkaro::UnpackBytes(bytes, kLimits);
  std::size_t total = 0;
  for (const auto& candidate : unpacked.Candidates) {
    if (!velkaro::IsSubtitleName(candidate.Name) || candidate.Name.find('/') != std::string::npos) __builtin_trap();
    total += candidate.Content.size();
    ReadText(candidate.Content);
  }
  if (total > kLimits.MaxTotal) __builtin_trap();
  for (const auto& part : velkaro::MatchParts(unpacked.Candidates, 2)) {
    if (part && *part >= unpacked.Candidates.size()) __builtin_trap();
  }
  if (unpacked.Outcome == velkaro::TUnpackOutcome::NotArchive) ReadText(bytes);
  return 0;
}
