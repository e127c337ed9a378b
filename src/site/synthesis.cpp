#include "synthesis.hpp"

#include <vector>

#include "wvfast.hpp"

namespace zeplo {

void complete_spectrum(std::span<Complex> fx1) {
    const int nf = static_cast<int>(fx1.size());
    for (int k = 2; k <= nf / 2; ++k) fx1[nf + 2 - k - 1] = Complex{fx1[k - 1].re, -fx1[k - 1].im};
}

Extremes synthesize(std::span<Complex> spectrum, float dur, std::span<float> wave) {
    std::vector<Complex> scratch(spectrum.size());
    return synthesize(spectrum, dur, wave, scratch);
}

Extremes synthesize(std::span<Complex> spectrum, float dur, std::span<float> wave, std::span<Complex> scratch) {
    const int nf = static_cast<int>(spectrum.size());
    wvfast(nf, spectrum.data(), 1, scratch);
    Extremes e{0.0f, 0.0f};
    for (int k = 1; k <= nf; ++k) {
        wave[k - 1] = spectrum[k - 1].re / dur;
        if (wave[k - 1] > e.max) e.max = wave[k - 1];
        if (wave[k - 1] < e.min) e.min = wave[k - 1];
    }
    return e;
}

}  // namespace zeplo
