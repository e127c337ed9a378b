#include "amplification.hpp"

#include "frequency_grid.hpp"
#include "parallel_for.hpp"
#include "sbshml.hpp"

namespace zeplo {

void column_amplification(const SoilColumn& c, float dom, std::span<Complex> col1, std::span<Complex> col2) {
    column_amplification(c, dom, col1, col2, 1);
}

void column_amplification(const SoilColumn& c, float dom, std::span<Complex> col1, std::span<Complex> col2,
                          int threads) {
    sbshml_columns(0.0f, dom, static_cast<int>(col1.size()), c.dns.data(), c.vs.data(), c.qs.data(), c.thk.data(),
                   c.pqf, c.layers(), c.theta, c.nsf, col1.data(), col2.data(), threads);
}

Complex travel_time_phase(const SoilColumn& c, float om) {
    Complex delay{1.0f, 0.0f};
    for (int l = 1; l <= c.layers() - 1; ++l) {
        const float x = (om * c.thk[l - 1]) / c.vs[l - 1];
        delay = cmul(delay, cexp(Complex{0.0f, x}));
    }
    return delay;
}

void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom) {
    amplify(spectrum, chosen, column, dom, 1);
}

void amplify(std::span<Complex> spectrum, std::span<const Complex> chosen, const SoilColumn& column, float dom,
             int threads) {
    // Lines per thread below which more threads do not pay for their start,
    // counted in layer phases.
    constexpr long long kMinPhasesPerThread = 40000;
    const int lines = static_cast<int>(chosen.size());
    const long long phases = static_cast<long long>(lines) * (column.layers() > 1 ? column.layers() : 1);
    parallel_for_blocks(lines, threads_for(phases, kMinPhasesPerThread, threads), [&](int begin, int end) {
        for (int k = begin + 1; k <= end; ++k) {
            const Complex delay = travel_time_phase(column, line_omega(k, dom));
            spectrum[k - 1] = cmul(cmul(spectrum[k - 1], chosen[k - 1]), delay);
        }
    });
}

}  // namespace zeplo
