#include "response_decay.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "amplification.hpp"
#include "frequency_grid.hpp"
#include "synthesis.hpp"

namespace zeplo {

std::optional<double> response_decay_time(const SoilColumn& column, int which, float dt, double fraction,
                                          int max_exponent) {
    // Start from a window a few times the column's fundamental period long.
    const double tt = travel_time(column);
    int exponent = 10;
    while (exponent < max_exponent && (1 << exponent) * static_cast<double>(dt) < 16.0 * 4.0 * tt) ++exponent;
    for (; exponent <= max_exponent; ++exponent) {
        const int nf = 1 << exponent;
        const FrequencyGrid g = frequency_grid(nf, dt);
        const auto nom = static_cast<std::size_t>(g.nom);
        std::vector<Complex> col1(nom), col2(nom);
        column_amplification(column, g.dom, col1, col2);
        // The impulse response in physical time (no travel-time advance), so
        // that it starts at zero and rings towards the end of the window.
        // Rolled off smoothly over the upper half of the band: a transfer
        // function cut off at the highest line rings on both sides of the
        // arrival, and that ringing would be taken for the column's.
        std::vector<Complex> h(static_cast<std::size_t>(nf), Complex{0.0f, 0.0f});
        const std::vector<Complex>& chosen = which == 2 ? col2 : col1;
        for (std::size_t k = 0; k < nom; ++k) {
            const double x = 2.0 * static_cast<double>(k) / static_cast<double>(nom - 1) - 1.0;  // -1 .. 1
            const double c = x <= 0.0 ? 1.0 : std::cos(0.5 * 3.14159265358979323846 * x);
            const auto w = static_cast<float>(c * c);
            h[k] = Complex{w * chosen[k].re, w * chosen[k].im};
        }
        complete_spectrum(h);
        std::vector<float> wave(static_cast<std::size_t>(nf));
        synthesize(h, g.dur, wave);
        float peak = 0.0f;
        for (const float v : wave) peak = std::max(peak, std::fabs(v));
        if (!(peak > 0.0f)) return 0.0;
        const float floor = static_cast<float>(fraction) * peak;
        // The response has decayed when the second half of the window stays
        // below the floor (its last eighth excepted: what little of the
        // smoothed roll-off still rings before the arrival wraps round there);
        // the decay time is the last sample above it.
        std::size_t last = 0;
        for (std::size_t k = 0; k < wave.size() - wave.size() / 8; ++k)
            if (std::fabs(wave[k]) > floor) last = k;
        if (last < wave.size() / 2) return static_cast<double>(last + 1) * dt;
    }
    return std::nullopt;
}

}  // namespace zeplo
