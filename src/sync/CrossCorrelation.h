#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

// Linear cross-correlation of one long signal with several patterns, by FFT
// (FFTW3): the signal is transformed once, each pattern in O(n log n). No Qt.

namespace velkaro {

class TCrossCorrelation {
 public:
  // Patterns may be up to `longestPattern` values long.
  TCrossCorrelation(std::span<const double> signal, std::size_t longestPattern);
  ~TCrossCorrelation();
  TCrossCorrelation(const TCrossCorrelation&) = delete;
  TCrossCorrelation& operator=(const TCrossCorrelation&) = delete;

  // Σ_j pattern[j] · signal[j + k] for every k from −(pattern.size() − 1) to
  // signal.size() − 1, at index k + pattern.size() − 1 of `out` (resized to
  // fit; one vector kept for many patterns is allocated once). Signal values
  // outside it count as 0.
  void Correlate(std::span<const double> pattern, std::vector<double>& out);

 private:
  struct TState;
  std::unique_ptr<TState> State_;
};

// The smallest length from `least` up whose only factors are 2, 3, 5 and 7:
// the lengths FFTW transforms fastest.
std::size_t FastTransformLength(std::size_t least);

}  // namespace velkaro
