#include "amplification.hpp"
// Vectors wider than the baseline registers are passed in memory; the
// functions that take them are inlined or are clones for AVX, so no such call
// crosses builds.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "detail/exp_cis_lanes.hpp"
#include "frequency_grid.hpp"
#include "parallel_for.hpp"
#include "sbshml.hpp"

namespace zeplo {

void column_amplification(const SoilColumn& c, float dom, std::span<Complex> col1, std::span<Complex> col2) {
    column_amplification(c, dom, col1, col2, 1);
}

void column_amplification(const SoilColumn& c, float dom, std::span<Complex> col1, std::span<Complex> col2,
                          int threads, Workers* workers) {
    sbshml_columns(0.0f, dom, static_cast<int>(col1.size()), c.dns.data(), c.vs.data(), c.qs.data(), c.thk.data(),
                   c.pqf, c.layers(), c.theta, c.nsf, col1.data(), col2.data(), threads, workers);
}

Complex travel_time_phase(const SoilColumn& c, float om) {
    Complex delay{1.0f, 0.0f};
    for (int l = 1; l <= c.layers() - 1; ++l) {
        const float x = (om * c.thk[l - 1]) / c.vs[l - 1];
        delay = cmul(delay, cexp(Complex{0.0f, x}));
    }
    return delay;
}

namespace {

using detail::lanes::kLanes;
using detail::lanes::VF;
using detail::lanes::VL;

// travel_time_phase of the lines at om[0 .. kLanes-1], one in each lane: each
// lane takes the scalar operations in the same order and precision.
ZEPLO_LANE_CLONES void travel_time_phases(const SoilColumn& c, const float om[kLanes], Complex delay[kLanes]) {
    VF omv;
    for (int k = 0; k < kLanes; ++k) omv[k] = om[k];
    VF re = VF{} + 1.0f, im = VF{};
    for (int l = 1; l <= c.layers() - 1; ++l) {
        const VF x = (omv * c.thk[l - 1]) / c.vs[l - 1];
        VF er, ei;
        VL ok;
        detail::lanes::cis(x, er, ei, ok);
        for (int k = 0; k < kLanes && !detail::lanes::all(ok); ++k) {
            if (ok[k]) continue;
            const Complex e = cexp_library(Complex{0.0f, x[k]});
            er[k] = e.re;
            ei[k] = e.im;
        }
        const VF nre = re * er - im * ei, nim = re * ei + im * er;  // cmul(delay, e)
        re = nre;
        im = nim;
    }
    for (int k = 0; k < kLanes; ++k) delay[k] = Complex{re[k], im[k]};
}

}  // namespace

void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom) {
    amplify(spectrum, chosen, column, dom, 1);
}

void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom,
             int threads, Workers* workers) {
    // Lines per thread below which more threads do not pay for their start,
    // counted in layer phases.
    constexpr long long kMinPhasesPerThread = 40000;
    const int lines = static_cast<int>(chosen.size());
    const long long phases = static_cast<long long>(lines) * (column.layers() > 1 ? column.layers() : 1);
    parallel_for_blocks(lines, threads_for(phases, kMinPhasesPerThread, threads), [&](int begin, int end) {
        int k = begin + 1;
        for (; k + kLanes - 1 <= end; k += kLanes) {  // a group of lines at a time, then the rest one by one
            float om[kLanes];
            for (int j = 0; j < kLanes; ++j) om[j] = line_omega(k + j, dom);
            Complex delay[kLanes];
            travel_time_phases(column, om, delay);
            for (int j = 0; j < kLanes; ++j)
                spectrum[k + j - 1] = cmul(cmul(spectrum[k + j - 1], chosen[k + j - 1]), delay[j]);
        }
        for (; k <= end; ++k) {
            const Complex delay = travel_time_phase(column, line_omega(k, dom));
            spectrum[k - 1] = cmul(cmul(spectrum[k - 1], chosen[k - 1]), delay);
        }
    }, workers);
}

double travel_time(const SoilColumn& c) {
    double tt = 0.0;
    for (int l = 1; l <= c.layers() - 1; ++l) tt += static_cast<double>(c.thk[l - 1]) / c.vs[l - 1];
    return tt;
}

void amplify_delayed(std::span<Complex> spectrum, std::span<const Complex> chosen) {
    for (std::size_t k = 0; k < chosen.size(); ++k) spectrum[k] = cmul(spectrum[k], chosen[k]);
}

}  // namespace zeplo
