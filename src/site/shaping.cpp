#include "shaping.hpp"

#include "frequency_grid.hpp"

namespace zeplo {

void shape_spectrum(std::span<Complex> spectrum, float dom, Shape shape, const Taper* taper) {
    if (spectrum.empty()) return;
    spectrum[0] = Complex{0.0f, 0.0f};
    for (int k = 2; k <= static_cast<int>(spectrum.size()); ++k) {
        const float omega = line_omega(k, dom);
        const float aa = taper ? taper_factor(omega, *taper) : 1.0f;
        Complex line{aa * spectrum[k - 1].re, aa * spectrum[k - 1].im};
        if (shape == Shape::integrate) {
            // Division by i*omega.
            line = Complex{line.im / omega, -line.re / omega};
        } else if (shape == Shape::differentiate) {
            // (omega * line) * i.
            line = Complex{-(omega * line.im), omega * line.re};
        }
        spectrum[k - 1] = line;
    }
}

}  // namespace zeplo
