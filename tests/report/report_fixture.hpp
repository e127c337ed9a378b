// A run to report on without the site engine: DEEPSOIL's Chi-Chi input motion
// (tests/data/spectra) through one soil layer on an elastic half-space, by the
// closed-form transfer functions of that column:
//   surface / outcrop  1 / (cos k*H + i a* sin k*H),  surface / bedrock  1 / cos k*H,
//   k* = w / Vs*,  Vs* = Vs sqrt(1 + 2 i z),  a* = rho_s Vs* / (rho_r Vr*).
// 20 m of Vs 500 m/s (1 % damping) over Vs 760 m/s (2 %): site frequency
// Vs / 4H = 6.25 Hz, period 0.16 s.
#pragma once

#include <complex>
#include <vector>

#include "fft.hpp"
#include "fourier_spectrum.hpp"
#include "report.hpp"
#include "spectra/spectra_data.hpp"

namespace zeplo::report::fixture {

inline constexpr double kSiteFrequency = 500.0 / (4 * 20.0);

struct Column {
    std::complex<double> outcrop, bedrock;
};

inline Column one_layer(double f) {
    using c = std::complex<double>;
    const double w = 2 * 3.141592653589793 * f, h = 20.0, rho_s = 20.0 / 9.81, rho_r = 25.0 / 9.81;
    const c vs = 500.0 * std::sqrt(c(1.0, 2 * 0.01)), vr = 760.0 * std::sqrt(c(1.0, 2 * 0.02));
    const c kh = w / vs * h, alpha = rho_s * vs / (rho_r * vr);
    return {1.0 / (std::cos(kh) + c(0.0, 1.0) * alpha * std::sin(kh)), 1.0 / std::cos(kh)};
}

inline ReportInput chichi_through_one_layer() {
    const spectra::test_data::Motion m = spectra::test_data::chichi();
    ReportInput in;
    in.title = "Chi-Chi input, one layer over rock";
    in.dt = m.dt;
    in.input = m.acc;
    in.unit = "g";
    const std::size_t n = spectra::padded_length(m.acc.size());
    const spectra::FftPlan plan(n);
    std::vector<std::complex<double>> x(n);
    for (std::size_t i = 0; i < m.acc.size(); ++i) x[i] = m.acc[i];
    plan.forward(x);
    const double df = 1.0 / (static_cast<double>(n) * m.dt);
    for (std::size_t q = 0; q <= n / 2; ++q) {
        const Column col = one_layer(static_cast<double>(q) * df);
        in.amplification_input.push_back(std::abs(col.outcrop));
        in.amplification_bedrock.push_back(std::abs(col.bedrock));
        x[q] *= q == n / 2 ? std::complex<double>(col.outcrop.real()) : col.outcrop;
        if (q != 0 && q != n / 2) x[n - q] = std::conj(x[q]);
    }
    plan.inverse(x);
    for (std::size_t i = 0; i < m.acc.size(); ++i) in.output.push_back(x[i].real() / static_cast<double>(n));
    in.amplification_df = df;
    in.facts = {{"Record", "ChiChi.txt (DEEPSOIL example input)"}, {"Profile", "20 m, Vs 500 m/s <over> rock"}};
    return in;
}

}  // namespace zeplo::report::fixture
