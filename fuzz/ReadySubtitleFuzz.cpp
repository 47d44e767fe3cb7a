#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FrameRate.h"
#include "PartMatch.h"
#include "SubtitleFormat.h"
#include "TextEncoding.h"
#include "UnpackWire.h"

namespace {

// A text through the steps a download's subtitle takes in the program: UTF-8
// out, its format read, MicroDVD frames scaled and turned into SubRip
// without losing the UTF-8.
void ReadText(std::string_view bytes) {
  const auto utf8 = velkaro::TextToUtf8(bytes);
  if (!utf8) return;
  if (!velkaro::IsValidUtf8(utf8->Text)) __builtin_trap();
  const auto parsed = velkaro::ParseSubtitle(utf8->Text);
  if (parsed && parsed->Format != velkaro::TSubtitleFormat::MicroDvd) return;
  const std::string frames = velkaro::ConvertFrames(utf8->Text, 25, 23.976);
  if (!velkaro::IsMicroDvd(utf8->Text) && frames != utf8->Text) __builtin_trap();
  if (!velkaro::IsValidUtf8(velkaro::MicroDvdToSubRip(frames, 25))) __builtin_trap();
}

}  // namespace

// Everything the program itself does with a download once the unpacking
// worker has answered: any bytes as that answer (whose candidates are
// matched to the parts and read), and as a plain subtitle.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto answer = velkaro::DecodeUnpacked(bytes)) {
    for (const auto& part : velkaro::MatchParts(answer->Candidates, 2)) {
      if (part && *part >= answer->Candidates.size()) __builtin_trap();
      if (part) ReadText(answer->Candidates[*part].Content);
    }
  }
  ReadText(bytes);
  return 0;
}
