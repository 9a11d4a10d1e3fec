#include "hrtf/MinimumPhase.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

bool PowerOfTwo(size_t n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// e^(-2 pi i j/n) for j < n/2, kept per thread: a conversion runs many
// transforms of one size.
const std::vector<std::complex<double>>& Twiddles(size_t n) {
    thread_local std::vector<std::complex<double>> table;
    if (table.size() != n / 2) {
        table.resize(n / 2);
        for (size_t j = 0; j < n / 2; ++j)
            table[j] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(j) /
                                           static_cast<double>(n));
    }
    return table;
}

} // namespace

bool Fft(std::vector<std::complex<double>>& x, bool inverse) {
    const size_t n = x.size();
    if (!PowerOfTwo(n))
        return false;
    // Bit-reversed order first, then butterflies of growing span.
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    const auto& w = Twiddles(n);
    const double sign = inverse ? -1.0 : 1.0;
    for (size_t span = 1; span < n; span *= 2) {
        const size_t stride = n / (2 * span);
        for (size_t start = 0; start < n; start += 2 * span)
            for (size_t k = 0; k < span; ++k) {
                // Written out: std::complex's operator* checks for infinities.
                const double wr = w[k * stride].real(), wi = sign * w[k * stride].imag();
                auto& a = x[start + k];
                auto& b = x[start + k + span];
                const double br = b.real() * wr - b.imag() * wi;
                const double bi = b.real() * wi + b.imag() * wr;
                b = {a.real() - br, a.imag() - bi};
                a = {a.real() + br, a.imag() + bi};
            }
    }
    if (inverse)
        for (auto& v : x)
            v /= static_cast<double>(n);
    return true;
}

std::vector<double> MinimumPhase(const std::vector<double>& half, size_t taps, size_t lifter) {
    if (half.size() < 2)
        return {};
    const size_t n = 2 * (half.size() - 1);
    if (!PowerOfTwo(n))
        return {};
    std::vector<std::complex<double>> x(n);
    const double top = *std::max_element(half.begin(), half.end());
    const double floor = std::max(top * 1e-5, 1e-300);
    // The real cepstrum: the inverse transform of the log magnitude, which is
    // even (a real response's spectrum).
    for (size_t k = 0; k <= n / 2; ++k)
        x[k] = std::log(std::max(half[k], floor));
    for (size_t k = n / 2 + 1; k < n; ++k)
        x[k] = x[n - k];
    Fft(x, true);
    // Folded onto positive quefrencies: the log spectrum of the causal,
    // minimum-phase response with the same magnitude; tapered by the lifter.
    for (size_t k = 0; k <= n / 2; ++k) {
        const double fold = k == 0 || k == n / 2 ? 1.0 : 2.0;
        const double taper = lifter == 0 ? 1.0
                             : k < lifter
                                 ? 0.5 * (1.0 + std::cos(std::numbers::pi * static_cast<double>(k) /
                                                         static_cast<double>(lifter)))
                                 : 0.0;
        x[k] = fold * taper * x[k].real();
    }
    std::fill(x.begin() + static_cast<long>(n / 2) + 1, x.end(), 0.0);
    Fft(x);
    // A real cepstrum's spectrum is conjugate-symmetric: half the exponentials.
    for (size_t k = 0; k <= n / 2; ++k)
        x[k] = std::exp(x[k]);
    for (size_t k = n / 2 + 1; k < n; ++k)
        x[k] = std::conj(x[n - k]);
    Fft(x, true);
    std::vector<double> out(taps, 0.0);
    for (size_t k = 0; k < std::min(taps, n); ++k)
        out[k] = x[k].real();
    return out;
}
