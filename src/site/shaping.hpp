// Shaping of an amplified spectrum: integration or differentiation over time
// and a trapezoidal band-pass taper.
#pragma once

#include <span>

#include "complex_ops.hpp"

namespace zeplo {

enum class Shape { none, integrate, differentiate };

// Corner angular frequencies (rad/s) of the trapezoid.
struct Taper {
    float oml1, oml2, omh1, omh2;
};

// Factor of a line at angular frequency omega: 0 at or outside oml1..omh2,
// rising on oml1..oml2, 1 between oml2 and omh1, falling on omh1..omh2. The
// tests run in this order whatever the order of the corners: where both ramps
// apply, the falling one replaces the rising one.
inline float taper_factor(float omega, const Taper& t) {
    if (omega <= t.oml1 || omega >= t.omh2) return 0.0f;
    float aa = 1.0f;
    if (omega < t.oml2) aa = (omega - t.oml1) / (t.oml2 - t.oml1);
    if (omega > t.omh1) aa = (t.omh2 - omega) / (t.omh2 - t.omh1);
    return aa;
}

// Lines 1..n of `spectrum` (n = its size), line k at angular frequency
// (k-1)*dom: line 1 (the mean) becomes zero; every other line is multiplied by
// its taper factor (when a taper is given) and then divided by i*omega
// (integrate) or multiplied by i*omega (differentiate).
void shape_spectrum(std::span<Complex> spectrum, float dom, Shape shape, const Taper* taper);

}  // namespace zeplo
