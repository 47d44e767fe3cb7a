#include "CrossCorrelation.h"

#include <fftw3.h>

#include <algorithm>
#include <complex>
#include <cstring>
#include <mutex>
#include <new>

namespace velkaro {

namespace {

// FFTW's planner is not thread-safe; executing a finished plan is.
std::mutex& PlannerMutex() {
  static std::mutex mutex;
  return mutex;
}

struct TFftwFree {
  void operator()(void* memory) const { fftw_free(memory); }
};
template <typename T>
using TFftwArray = std::unique_ptr<T[], TFftwFree>;

template <typename T>
TFftwArray<T> Allocate(std::size_t count) {
  auto* memory = static_cast<T*>(fftw_malloc(sizeof(T) * count));
  if (memory == nullptr) throw std::bad_alloc();
  return TFftwArray<T>(memory);
}

struct TPlanDestroy {
  void operator()(fftw_plan plan) const {
    const std::lock_guard lock(PlannerMutex());
    fftw_destroy_plan(plan);
  }
};
using TPlan = std::unique_ptr<std::remove_pointer_t<fftw_plan>, TPlanDestroy>;

}  // namespace

std::size_t FastTransformLength(std::size_t least) {
  for (std::size_t length = std::max<std::size_t>(least, 1);; ++length) {
    std::size_t rest = length;
    for (const std::size_t factor : {2, 3, 5, 7}) {
      while (rest % factor == 0) rest /= factor;
    }
    if (rest == 1) return length;
  }
}

struct TCrossCorrelation::TState {
  std::size_t SignalSize = 0;
  std::size_t Length = 0;  // of the transforms
  TFftwArray<double> Real;
  TFftwArray<fftw_complex> Spectrum;        // the pattern's, then the product
  TFftwArray<fftw_complex> SignalSpectrum;
  TPlan Forward;
  TPlan Backward;
};

TCrossCorrelation::TCrossCorrelation(std::span<const double> signal, std::size_t longestPattern)
    : State_(std::make_unique<TState>()) {
  TState& s = *State_;
  s.SignalSize = signal.size();
  // Long enough that no shift wraps one end of the signal onto the other.
  s.Length = FastTransformLength(signal.size() + std::max<std::size_t>(longestPattern, 1));
  const std::size_t bins = s.Length / 2 + 1;
  s.Real = Allocate<double>(s.Length);
  s.Spectrum = Allocate<fftw_complex>(bins);
  s.SignalSpectrum = Allocate<fftw_complex>(bins);
  {
    const std::lock_guard lock(PlannerMutex());
    const int length = static_cast<int>(s.Length);
    s.Forward.reset(fftw_plan_dft_r2c_1d(length, s.Real.get(), s.Spectrum.get(), FFTW_ESTIMATE));
    s.Backward.reset(fftw_plan_dft_c2r_1d(length, s.Spectrum.get(), s.Real.get(), FFTW_ESTIMATE));
  }
  if (!s.Forward || !s.Backward) throw std::bad_alloc();
  std::fill_n(std::copy(signal.begin(), signal.end(), s.Real.get()), s.Length - signal.size(), 0.0);
  fftw_execute(s.Forward.get());
  std::memcpy(s.SignalSpectrum.get(), s.Spectrum.get(), sizeof(fftw_complex) * bins);
}

TCrossCorrelation::~TCrossCorrelation() = default;

void TCrossCorrelation::Correlate(std::span<const double> pattern, std::vector<double>& out) {
  TState& s = *State_;
  out.clear();
  if (pattern.empty()) return;
  pattern = pattern.first(std::min(pattern.size(), s.Length - s.SignalSize));
  std::fill_n(std::copy(pattern.begin(), pattern.end(), s.Real.get()), s.Length - pattern.size(), 0.0);
  fftw_execute(s.Forward.get());
  // The signal's spectrum times the pattern's conjugate correlates the two.
  const std::size_t bins = s.Length / 2 + 1;
  auto* product = reinterpret_cast<std::complex<double>*>(s.Spectrum.get());
  const auto* signal = reinterpret_cast<const std::complex<double>*>(s.SignalSpectrum.get());
  for (std::size_t i = 0; i < bins; ++i) product[i] = signal[i] * std::conj(product[i]);
  fftw_execute(s.Backward.get());
  // FFTW leaves the inverse unscaled; shift k sits at k, and a negative one at Length + k.
  const double scale = 1.0 / static_cast<double>(s.Length);
  const std::size_t before = pattern.size() - 1;
  out.resize(before + s.SignalSize);
  std::transform(s.Real.get() + s.Length - before, s.Real.get() + s.Length, out.begin(), [&](double v) { return v * scale; });
  std::transform(s.Real.get(), s.Real.get() + s.SignalSize, out.begin() + static_cast<std::ptrdiff_t>(before),
                 [&](double v) { return v * scale; });
}

}  // namespace velkaro
