// Spectral analysis shared by the soundtrack's tests.
#pragma once

#include <cmath>
#include <complex>
#include <utility>
#include <vector>

namespace music_test {

// Power spectrum of `x` (length a power of two), under a Blackman-Harris window for steady
// tones or as it is for a hit that starts at the beginning of the buffer.
inline std::vector<double> powerSpectrum(const std::vector<float>& x, bool windowed = true) {
    constexpr double kTwoPi = 6.283185307179586;
    const size_t n = x.size();
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = kTwoPi * i / (n - 1);
        const double w =
            0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        a[i] = windowed ? x[i] * w : x[i];
    }
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -kTwoPi / len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> power(n / 2);
    for (size_t i = 0; i < n / 2; ++i)
        power[i] = std::norm(a[i]);
    return power;
}

} // namespace music_test
