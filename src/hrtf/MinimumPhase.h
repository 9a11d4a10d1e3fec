// The spectral tools the SOFA converter needs: a radix-2 complex FFT and the
// minimum-phase response of a magnitude spectrum (the homomorphic method,
// through the real cepstrum). No Qt: tested directly.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// In place, x.size() a power of two. Forward: X[j] = sum x[k] e^(-2 pi i jk/N);
// inverse: e^(+2 pi i jk/N), divided by N. False (x untouched) for other sizes.
bool Fft(std::vector<std::complex<double>>& x, bool inverse = false);

// The first taps of the minimum-phase response whose magnitude is half: bins 0
// to N/2 of an N-point spectrum, N a power of two. Bins far below the loudest
// one are raised to 100 dB under it (the logarithm needs them finite). A
// lifter above 0 first smooths the log magnitude (a raised-cosine taper over
// that many quefrencies): what a response cut to about as many taps can hold,
// without the errors the cut would make in sharp peaks and dips. Empty when
// half does not have N/2 + 1 bins.
std::vector<double> MinimumPhase(const std::vector<double>& half, size_t taps, size_t lifter = 0);
