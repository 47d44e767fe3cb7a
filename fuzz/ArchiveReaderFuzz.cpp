#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ArchiveReader.h"
#include "UnpackWire.h"

namespace {

// Small caps keep each run quick; the reading is the same as at full size.
constexpr velkaro::TUnpackLimits kLimits{1 << 20, 1000};

}  // namespace

// Any bytes as a download, read as the unpacking worker reads them, and its
// answer through the pipe's encoding and back. libarchive may ask for a lot
// of memory here: in the program, the worker's address-space limit bounds it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const velkaro::TUnpacked unpacked = velkaro::UnpackBytes(bytes, kLimits, "Film.srt.gz");
  std::size_t total = 0;
  for (const auto& candidate : unpacked.Candidates) {
    if (candidate.Name.find('/') != std::string::npos || candidate.Name.empty()) __builtin_trap();
    total += candidate.Content.size();
  }
  if (total > kLimits.MaxTotal) __builtin_trap();
  const std::string answer = velkaro::EncodeUnpacked(unpacked);
  const auto decoded = velkaro::DecodeUnpacked(answer);
  if (!decoded || velkaro::EncodeUnpacked(*decoded) != answer) __builtin_trap();
  return 0;
}
