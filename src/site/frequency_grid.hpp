// The frequency grid every stage after the forward transform works on.
#pragma once

#include "constants.hpp"

namespace zeplo {

struct FrequencyGrid {
    float dur;  // nf * dt
    float dom;  // angular frequency step, 2 pi / dur
    int nom;    // non-negative frequency lines, nf/2 + 1
    float eom;  // nom * dom, reported only

    // The highest frequency in Hz, as reported.
    double highest_hz() const { return static_cast<double>(eom) / kTwoPiDouble; }
};

inline FrequencyGrid frequency_grid(int nf, float dt) {
    FrequencyGrid g{};
    g.dur = static_cast<float>(nf) * dt;
    g.dom = kTwoPi / g.dur;
    g.nom = nf / 2 + 1;
    g.eom = static_cast<float>(g.nom) * g.dom;
    return g;
}

// Angular frequency (rad/s) and frequency (Hz) of line k (1-based) of a grid of step dom.
inline float line_omega(int k, float dom) { return static_cast<float>(k - 1) * dom; }
inline float line_hz(int k, float dom) { return line_omega(k, dom) / kTwoPi; }

}  // namespace zeplo
