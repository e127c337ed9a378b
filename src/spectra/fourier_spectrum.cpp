#include "fourier_spectrum.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "fft.hpp"

namespace zeplo::spectra {
namespace {

constexpr double kPi = std::numbers::pi;

void check_record(std::span<const double> x, double dt) {
    if (x.empty()) throw std::invalid_argument("the record has no samples");
    if (!(dt > 0.0) || !std::isfinite(dt)) throw std::invalid_argument("the time step must be positive and finite");
}

// (sin x / x)^4, given sin x.
double window_of(double x, double sin_x) {
    if (x == 0.0) return 1.0;
    const double q = sin_x / x;
    const double q2 = q * q;
    return q2 * q2;
}

// d/dx (sin x / x)^4.
double window_slope(double x, double sin_x, double cos_x) {
    if (x == 0.0) return 0.0;
    const double q = sin_x / x;
    return 4.0 * q * q * q * (x * cos_x - sin_x) / (x * x);
}

}  // namespace

std::size_t padded_length(std::size_t samples) { return next_power_of_two(2 * samples); }

AmplitudeSpectrum fourier_amplitude(std::span<const double> x, double dt, std::size_t length) {
    check_record(x, dt);
    if (length == 0) length = padded_length(x.size());
    if (length < x.size() || next_power_of_two(length) != length)
        throw std::invalid_argument("the transform length must be a power of two no shorter than the record");
    const FftPlan plan(length);
    const std::vector<std::complex<double>> line = real_spectrum(x, plan);
    AmplitudeSpectrum s;
    s.df = 1.0 / (static_cast<double>(length) * dt);
    s.amplitude.resize(length / 2);
    for (std::size_t i = 0; i < length / 2; ++i) s.amplitude[i] = dt * std::abs(line[i + 1]);
    return s;
}

std::vector<double> konno_ohmachi(std::span<const double> frequencies, std::span<const double> amplitudes,
                                  std::span<const double> centres, double b) {
    if (frequencies.size() != amplitudes.size())
        throw std::invalid_argument("frequencies and amplitudes differ in count");
    if (!(b > 0.0)) throw std::invalid_argument("the bandwidth must be above zero");
    const double reach = std::pow(10.0, kPi / b);  // the main lobe spans fc / reach .. fc * reach
    std::vector<double> out(centres.size(), 0.0);
    for (std::size_t c = 0; c < centres.size(); ++c) {
        const double fc = centres[c];
        if (!(fc > 0.0)) throw std::invalid_argument("a centre frequency must be above zero");
        const auto first = std::upper_bound(frequencies.begin(), frequencies.end(), fc / reach);
        const auto last = std::lower_bound(frequencies.begin(), frequencies.end(), fc * reach);
        double num = 0.0, den = 0.0;
        for (auto it = first; it < last; ++it) {
            const double x = b * std::log10(*it / fc);
            if (std::fabs(x) >= kPi) continue;
            const double w = window_of(x, std::sin(x));
            num += w * amplitudes[static_cast<std::size_t>(it - frequencies.begin())];
            den += w;
        }
        out[c] = den > 0.0 ? num / den : std::numeric_limits<double>::quiet_NaN();
    }
    return out;
}

std::vector<double> konno_ohmachi_lines(std::span<const double> amplitudes, double b) {
    if (!(b > 0.0)) throw std::invalid_argument("the bandwidth must be above zero");
    const std::size_t m = amplitudes.size();
    std::vector<double> out(m);
    if (m == 0) return out;
    // Index i is line l = i + 1. x between lines i and c is L[i] - L[c]; its
    // sine from the sines and cosines of L.
    std::vector<double> L(m), sL(m), cL(m), sum_a(m + 1, 0.0), sum_la(m + 1, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
        const double l = static_cast<double>(i + 1);
        L[i] = b * std::log10(l);
        sL[i] = std::sin(L[i]);
        cL[i] = std::cos(L[i]);
        sum_a[i + 1] = sum_a[i] + amplitudes[i];
        sum_la[i + 1] = sum_la[i] + l * amplitudes[i];
    }
    const double reach = std::pow(10.0, kPi / b);
    constexpr std::size_t kDirect = 1024;
    for (std::size_t c = 0; c < m; ++c) {
        const double lc = static_cast<double>(c + 1);
        // Lines strictly inside the main lobe, bounds settled on L itself.
        std::size_t lo = static_cast<std::size_t>(std::max(1.0, std::floor(lc / reach)));  // a line number
        while (lo > 1 && L[lo - 2] - L[c] > -kPi) --lo;
        while (L[lo - 1] - L[c] <= -kPi) ++lo;
        std::size_t hi = static_cast<std::size_t>(std::min(static_cast<double>(m), std::ceil(lc * reach)));
        while (hi < m && L[hi] - L[c] < kPi) ++hi;
        while (L[hi - 1] - L[c] >= kPi) --hi;
        const double sc = sL[c], cc = cL[c];
        double num = 0.0, den = 0.0;
        auto direct = [&](std::size_t from, std::size_t to) {  // line numbers, inclusive
            for (std::size_t l = from; l <= to; ++l) {
                const double x = L[l - 1] - L[c];
                const double w = window_of(x, sL[l - 1] * cc - cL[l - 1] * sc);
                num += w * amplitudes[l - 1];
                den += w;
            }
        };
        const std::size_t count = hi - lo + 1;
        if (count <= kDirect) {
            direct(lo, hi);
        } else {
            const std::size_t g = 2 * (count / (2 * 256)) + 1;  // odd: the middle is a line
            std::size_t s = lo;
            for (; s + g - 1 <= hi; s += g) {
                const std::size_t mid = s + g / 2;
                const double x = L[mid - 1] - L[c];
                const double sin_x = sL[mid - 1] * cc - cL[mid - 1] * sc;
                const double cos_x = cL[mid - 1] * cc + sL[mid - 1] * sc;
                const double w = window_of(x, sin_x);
                const double slope = window_slope(x, sin_x, cos_x) * b / (static_cast<double>(mid) * std::numbers::ln10);
                const double a = sum_a[s + g - 1] - sum_a[s - 1];
                const double la = sum_la[s + g - 1] - sum_la[s - 1];
                num += w * a + slope * (la - static_cast<double>(mid) * a);
                den += w * static_cast<double>(g);
            }
            if (s <= hi) direct(s, hi);
        }
        out[c] = num / den;
    }
    return out;
}

std::vector<double> spectral_ratio(std::span<const double> numerator, std::span<const double> denominator) {
    if (numerator.size() != denominator.size()) throw std::invalid_argument("the spectra differ in length");
    std::vector<double> r(numerator.size());
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = denominator[i] > 0.0 ? numerator[i] / denominator[i] : std::numeric_limits<double>::quiet_NaN();
    return r;
}

std::vector<double> velocity(std::span<const double> acc, double dt) {
    check_record(acc, dt);
    const std::size_t n = padded_length(acc.size());
    const FftPlan plan(n);
    std::vector<std::complex<double>> a(n);
    for (std::size_t i = 0; i < acc.size(); ++i) a[i] = acc[i];
    plan.forward(a);
    const double dw = 2.0 * kPi / (static_cast<double>(n) * dt);
    a[0] = 0.0;
    a[n / 2] = 0.0;  // the Nyquist line of 1/(i w) X is imaginary: no real part to keep
    for (std::size_t q = 1; q < n / 2; ++q) {
        const double w = dw * static_cast<double>(q);
        const std::complex<double> v{a[q].imag() / w, -a[q].real() / w};  // X / (i w)
        a[q] = v;
        a[n - q] = std::conj(v);
    }
    plan.inverse(a);
    std::vector<double> out(acc.size());
    for (std::size_t i = 0; i < acc.size(); ++i) out[i] = a[i].real() / static_cast<double>(n);
    return out;
}

double peak_abs(std::span<const double> x) {
    double p = 0.0;
    for (const double v : x) p = std::max(p, std::fabs(v));
    return p;
}

}  // namespace zeplo::spectra
