#include "FpsText.h"

#include <cmath>
#include <cstdio>

namespace velkaro {

namespace {

constexpr double kMaxFps = 1000;
// Slower than this is a slide show or a broken header, not a film.
constexpr double kMinFps = 1;
// No film is shot faster than this; a time base read as a rate is.
constexpr double kMaxPlausibleClockRate = 240;

// Rates that containers store a little off (a millisecond clock cannot hold
// 1001/24000) are pulled to the broadcast rate they stand for.
constexpr double kStandardRates[] = {
    24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 48000.0 / 1001, 48, 50, 60000.0 / 1001, 60, 120000.0 / 1001, 120};
constexpr double kSnapTolerance = 0.002;

double Value(TRate rate) { return static_cast<double>(rate.Num) / static_cast<double>(rate.Den); }

bool IsTimeBase(TRate rate, TRate timeBase) {
  if (timeBase.Num <= 0 || timeBase.Den <= 0) return false;
  // rate == 1 / timeBase, cross-multiplied in floating point: the numbers can be large.
  const double product = static_cast<double>(rate.Num) * static_cast<double>(timeBase.Num);
  return product == static_cast<double>(rate.Den) * static_cast<double>(timeBase.Den);
}

double Snapped(double fps) {
  for (const double standard : kStandardRates) {
    if (std::fabs(fps - standard) < kSnapTolerance) return standard;
  }
  return fps;
}

}  // namespace

std::string FpsText(TRate rate, TRate timeBase) {
  if (rate.Num <= 0 || rate.Den <= 0) return {};
  const double fps = Value(rate);
  if (!std::isfinite(fps) || fps > kMaxFps || fps < kMinFps) return {};
  if (fps > kMaxPlausibleClockRate && IsTimeBase(rate, timeBase)) return {};
  return DecimalFpsText(Snapped(fps));
}

// Three decimals, trailing zeros and a bare point dropped.
std::string DecimalFpsText(double fps, char point) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", fps);
  std::string out(text);
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  if (const auto at = out.find('.'); at != std::string::npos) out[at] = point;
  return out;
}

}  // namespace velkaro
