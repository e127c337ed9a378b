// Fourier amplitudes, Konno-Ohmachi smoothing and velocity by integration in
// the frequency domain, against closed forms and against the sum taken line
// by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "fourier_spectrum.hpp"

namespace zeplo::spectra {
namespace {

constexpr double kPi = std::numbers::pi;

// A sine of a whole number of cycles on a line of the padded grid: dt n A / 2
// on that line; the padding is twice the record.
TEST(FourierAmplitude, SineOnAGridLine) {
    const std::size_t n = 1024;
    const double dt = 0.01, amp = 1.5;
    const AmplitudeSpectrum probe = fourier_amplitude(std::vector<double>(n, 0.0), dt);
    ASSERT_EQ(probe.amplitude.size(), 1024u);  // 2048 padded, lines 1 .. 1024
    const std::size_t line = 104;             // 52 cycles in the record
    const double f = probe.frequency(line - 1);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = amp * std::sin(2 * kPi * f * dt * static_cast<double>(i));
    const AmplitudeSpectrum s = fourier_amplitude(x, dt);
    EXPECT_DOUBLE_EQ(s.df, 1.0 / (2048 * dt));
    EXPECT_NEAR(s.amplitude[line - 1], dt * n * amp / 2, 1e-9);
    EXPECT_EQ(std::max_element(s.amplitude.begin(), s.amplitude.end()) - s.amplitude.begin(),
              static_cast<std::ptrdiff_t>(line - 1));

    EXPECT_EQ(fourier_amplitude(x, dt, 4096).amplitude.size(), 2048u);
    EXPECT_THROW(fourier_amplitude(x, dt, 1000), std::invalid_argument);  // not a power of two
    EXPECT_THROW(fourier_amplitude(x, dt, 512), std::invalid_argument);   // shorter than the record
    EXPECT_THROW(fourier_amplitude({}, dt), std::invalid_argument);
}

std::vector<double> noisy_spectrum(std::size_t lines, unsigned seed) {
    std::mt19937 gen(seed);
    std::exponential_distribution<double> noise(1.0);
    std::vector<double> a(lines);
    for (std::size_t i = 0; i < lines; ++i) a[i] = noise(gen) * 100.0 / std::sqrt(static_cast<double>(i + 1));
    return a;
}

// Two single lines: the smoothed values at any centre stand in the ratio of
// the window [sin x / x]^4, x = b log10(f / fc), at the two lines, and vanish
// beyond the window's main lobe.
TEST(KonnoOhmachi, WindowShapeAndReach) {
    const std::size_t lines = 4000, j0 = 1000, j1 = 1100;
    std::vector<double> a0(lines, 0.0), a1(lines, 0.0);
    a0[j0 - 1] = 1.0;
    a1[j1 - 1] = 1.0;
    const std::vector<double> s0 = konno_ohmachi_lines(a0), s1 = konno_ohmachi_lines(a1);
    auto window = [](double ratio) {
        const double x = 40.0 * std::log10(ratio);
        return x == 0 ? 1.0 : std::pow(std::sin(x) / x, 4);
    };
    for (const std::size_t c : {950u, 1000u, 1050u, 1100u, 1150u}) {
        SCOPED_TRACE(c);
        const double fc = static_cast<double>(c);
        EXPECT_NEAR(s0[c - 1] / s1[c - 1] / (window(1000.0 / fc) / window(1100.0 / fc)), 1.0, 1e-10);
    }
    const double reach = std::pow(10.0, kPi / 40.0);  // 1.198: the first zero of the window
    EXPECT_EQ(s0[static_cast<std::size_t>(1000 * reach) + 1], 0.0);
    EXPECT_GT(s0[static_cast<std::size_t>(1000 * reach) - 2], 0.0);
    EXPECT_EQ(s0[static_cast<std::size_t>(1000 / reach) - 2], 0.0);
    EXPECT_GT(s0[static_cast<std::size_t>(1000 / reach) + 1], 0.0);
}

// Every line of a long noisy spectrum: where windows hold more than 1024 lines
// the blocks take over; they must agree with the sum line by line, and both
// keep a constant spectrum as it is.
TEST(KonnoOhmachi, BlocksAgreeWithTheLineByLineSum) {
    const std::size_t lines = 1 << 17;
    const std::vector<double> a = noisy_spectrum(lines, 7);
    std::vector<double> f(lines);
    for (std::size_t i = 0; i < lines; ++i) f[i] = 0.01 * static_cast<double>(i + 1);
    const std::vector<double> fast = konno_ohmachi_lines(a);
    const std::vector<std::size_t> probes = {1, 2, 10, 500, 2800, 2830, 2900, 20000, 60000, 100000, lines - 1, lines};
    std::vector<double> centres;
    for (const std::size_t line : probes) centres.push_back(f[line - 1]);
    const std::vector<double> direct = konno_ohmachi(f, a, centres);
    for (std::size_t k = 0; k < probes.size(); ++k) {
        SCOPED_TRACE(probes[k]);
        EXPECT_NEAR(fast[probes[k] - 1] / direct[k], 1.0, 1e-5);
    }
    const std::vector<double> flat = konno_ohmachi_lines(std::vector<double>(lines, 2.5));
    for (const std::size_t line : probes) EXPECT_NEAR(flat[line - 1], 2.5, 1e-12);
}

// The raw amplitudes of a random record scatter by about half their mean;
// smoothed over the hundreds of lines of a window at high frequency they
// scatter by a few percent.
TEST(KonnoOhmachi, SmoothsTheScatterOfARandomRecord) {
    std::mt19937 gen(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> x(16384);
    for (double& v : x) v = noise(gen);
    const AmplitudeSpectrum s = fourier_amplitude(x, 0.01);
    const std::vector<double> smooth = konno_ohmachi_lines(s.amplitude);
    auto scatter = [](const std::vector<double>& v, std::size_t from, std::size_t to) {
        double sum = 0, sum2 = 0;
        for (std::size_t i = from; i < to; ++i) {
            sum += v[i];
            sum2 += v[i] * v[i];
        }
        const double n = static_cast<double>(to - from), mean = sum / n;
        return std::sqrt(sum2 / n - mean * mean) / mean;
    };
    EXPECT_GT(scatter(s.amplitude, 8000, 12000), 0.4);
    EXPECT_LT(scatter(smooth, 8000, 12000), 0.05);
}

// v = sin(W t) sin(2 W t) over whole cycles: zero at both ends, mean zero,
// and its derivative a starts and ends at zero, so the frequency-domain
// integral of a must give v back (peak 4 / (3 sqrt 3) = 0.7698).
TEST(Velocity, IntegralOfAKnownDerivative) {
    const double dt = 0.005, w = 2 * kPi * 2.0;  // 20 cycles of 2 Hz in 10 s
    std::vector<double> a(2001), v_exact(2001);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double t = dt * static_cast<double>(i);
        v_exact[i] = std::sin(w * t) * std::sin(2 * w * t);
        a[i] = w * std::cos(w * t) * std::sin(2 * w * t) + 2 * w * std::sin(w * t) * std::cos(2 * w * t);
    }
    const std::vector<double> v = velocity(a, dt);
    ASSERT_EQ(v.size(), a.size());
    double worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(v[i] - v_exact[i]));
    EXPECT_LT(worst, 1e-3);
    EXPECT_NEAR(peak_abs(v), 4 / (3 * std::sqrt(3.0)), 0.005);
}

}  // namespace
}  // namespace zeplo::spectra
