#include "fft.hpp"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace zeplo::spectra {

std::size_t next_power_of_two(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

FftPlan::FftPlan(std::size_t n) : n_(n) {
    if (n == 0 || (n & (n - 1)) != 0) throw std::invalid_argument("FFT length must be a power of two");
    // The twiddles of each stage side by side: stage `half` uses
    // exp(-i pi j / half), j < half, stored from index half - 1.
    twiddle_.resize(n > 1 ? n - 1 : 0);
    for (std::size_t half = 1; half < n; half <<= 1)
        for (std::size_t j = 0; j < half; ++j) {
            const double angle = -std::numbers::pi * static_cast<double>(j) / static_cast<double>(half);
            twiddle_[half - 1 + j] = {std::cos(angle), std::sin(angle)};
        }
    reversed_.resize(n);
    int bits = 0;
    while ((std::size_t{1} << bits) < n) ++bits;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t r = 0;
        for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1u) << (bits - 1 - b);
        reversed_[i] = r;
    }
}

void FftPlan::run(std::span<std::complex<double>> a, bool inverse) const {
    if (a.size() != n_) throw std::invalid_argument("FFT length differs from the plan's");
    for (std::size_t i = 0; i < n_; ++i)
        if (i < reversed_[i]) std::swap(a[i], a[reversed_[i]]);
    const double sign = inverse ? -1.0 : 1.0;
    double* d = reinterpret_cast<double*>(a.data());  // complex<double> is two doubles, real first
    for (std::size_t half = 1; half < n_; half <<= 1) {
        const std::complex<double>* w = twiddle_.data() + (half - 1);
        for (std::size_t start = 0; start < n_; start += 2 * half) {
            double* lo = d + 2 * start;
            double* hi = d + 2 * (start + half);
            for (std::size_t j = 0; j < half; ++j) {
                const double wr = w[j].real(), wi = sign * w[j].imag();
                const double br = hi[2 * j], bi = hi[2 * j + 1];
                const double tr = wr * br - wi * bi, ti = wr * bi + wi * br;
                const double ar = lo[2 * j], ai = lo[2 * j + 1];
                hi[2 * j] = ar - tr;
                hi[2 * j + 1] = ai - ti;
                lo[2 * j] = ar + tr;
                lo[2 * j + 1] = ai + ti;
            }
        }
    }
}

std::vector<std::complex<double>> real_spectrum(std::span<const double> x, const FftPlan& plan) {
    const std::size_t n = plan.size();
    if (x.size() > n) throw std::invalid_argument("more samples than the transform length");
    std::vector<std::complex<double>> a(n);
    for (std::size_t i = 0; i < x.size(); ++i) a[i] = x[i];
    plan.forward(a);
    a.resize(n / 2 + 1);
    return a;
}

}  // namespace zeplo::spectra
