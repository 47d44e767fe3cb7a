#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "VideoProbe.h"

// Any bytes as a video: the probe returns, and what it gives is a rate a film can have.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const velkaro::TVideoProbe probe =
      velkaro::ProbeVideoBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!probe.Fps.empty()) {
    std::string number = probe.Fps;
    if (const auto comma = number.find(','); comma != std::string::npos) number[comma] = '.';
    const double fps = std::strtod(number.c_str(), nullptr);
    if (fps < 1 || fps > 1000) __builtin_trap();
  }
  if (probe.DurationMs && *probe.DurationMs < 0) __builtin_trap();
  return 0;
}
