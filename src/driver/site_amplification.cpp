// The soil column's amplification: the profile, the transfer function, the
// choice of column, the amplification table S_amp1 and the amplified spectrum.
#include <cmath>

#include "complex_ops.hpp"
#include "records.hpp"
#include "sbshml.hpp"
#include "soilin.hpp"
#include "stages.hpp"

namespace zeplo {
namespace {

constexpr int kTableUnit = 9;
constexpr float kNoDamping = 999.0f;

// A profile the transfer function cannot evaluate (it would divide by zero on
// every line, or carries a value that is not a number) is refused before any
// output file is opened.
void check_profile(const RunState& s) {
    const char* file = rec::unit(kSoilUnit).name;
    const bool damped = s.pqf != kNoDamping;
    if (!std::isfinite(s.pqf)) rec::refuse("soil file '%s': the damping exponent is not a finite number", file);
    if (!std::isfinite(s.theta)) rec::refuse("soil file '%s': the incidence angle is not a finite number", file);
    auto finite = [&](int il, float v, const char* what) {
        if (!std::isfinite(v)) rec::refuse("soil file '%s', layer %d: the %s is not a finite number", file, il, what);
    };
    auto nonzero = [&](int il, float v, const char* what) {
        if (v == 0.0f)
            rec::refuse("soil file '%s', layer %d: the %s is zero; the transfer function would divide by it", file,
                        il, what);
    };
    for (int il = 1; il <= s.nl; ++il) {
        finite(il, s.dns[il - 1], "density");
        finite(il, s.vs[il - 1], "S-wave velocity");
        if (damped) finite(il, s.qs[il - 1], "S-wave quality factor");
        if (il < s.nl) finite(il, s.thk[il - 1], "thickness");
        if (s.nl < 2) continue;  // the half-space alone needs no division
        if (il >= 2) nonzero(il, s.dns[il - 1], "density");
        nonzero(il, s.vs[il - 1], "S-wave velocity");
        if (damped) nonzero(il, s.qs[il - 1], "S-wave quality factor");
    }
}

// Extreme but readable profiles (a damping exponent of thousands, quality
// factors near zero) can take the amplification beyond single precision: such
// a column is refused rather than written as infinities.
void check_amplification(const RunState& s) {
    for (int k = 1; k <= s.nom; ++k) {
        for (const Complex a : {s.amp[k - 1], s.amp[kMaxLines + k - 1]}) {
            if (!std::isfinite(a.re) || !std::isfinite(a.im) || !std::isfinite(cabs(a)))
                rec::refuse("soil file '%s': the amplification at %g Hz is not a finite single-precision number; check "
                            "the damping exponent and the quality factors",
                            rec::unit(kSoilUnit).name, static_cast<double>(static_cast<float>(k - 1) * s.dom / kTwoPi));
        }
    }
}

}  // namespace

void site_amplification(RunState& s) {
    s.fom = 0.0f;
    s.ndata = s.nom;
    soilin(s.dns, s.vp, s.qp, s.vs, s.qs, s.thk, s.pqf, s.nl, kMaxLayers, s.theta, s.nsf);
    check_profile(s);
    sbshml(s.fom, s.dom, s.nom, kMaxLines, s.dns, s.vs, s.qs, s.thk, s.pqf, s.nl, kMaxLayers, s.theta, s.nsf,
           s.amp);
    check_amplification(s);

    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "S_amp: Amplification Factor for S wave");
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "WAVE * AMP(i):");
    rec::write_list(rec::kStdoutUnit, "  Enter 1 for AMP with respect to INPUT WAVE:");
    rec::write_list(rec::kStdoutUnit, "  Entwe 2 for AMP with respect to BEDROCK WAVE:");
    rec::read_list(rec::kStdinUnit, s.is);
    if (s.is != 1 && s.is != 2)
        rec::refuse("the amplification choice is %d; answer 1 (input wave) or 2 (bedrock wave)", s.is);

    rec::open_unit(kTableUnit, "S_amp1", "unknown");
    const Complex* column1 = s.amp;
    const Complex* column2 = s.amp + kMaxLines;
    const Complex* chosen = s.is == 1 ? column1 : column2;
    for (int k = 1; k <= s.ndata; ++k) {
        const float om = static_cast<float>(k - 1) * s.dom;
        const float fq = om / kTwoPi;
        const Complex a1 = column1[k - 1];
        const Complex a2 = column2[k - 1];
        rec::write_fmt(kTableUnit, "(F8.4,6E12.4)", fq, a1.re, a1.im, cabs(a1), a2.re, a2.im, cabs(a2));

        // exp(i*om*tau), tau the vertical travel time through the soil layers
        // above the half-space: the surface motion is moved earlier by tau.
        Complex delay{1.0f, 0.0f};
        for (int l = 1; l <= s.nl - 1; ++l) {
            const float x = (om * s.thk[l - 1]) / s.vs[l - 1];
            delay = cmul(delay, cexp(Complex{0.0f, x}));
        }
        s.fx1[k - 1] = cmul(cmul(s.fx1[k - 1], chosen[k - 1]), delay);
        s.xr1[k - 1] = s.fx1[k - 1].re;
        s.xi1[k - 1] = s.fx1[k - 1].im;
    }
    rec::close_unit(kTableUnit);
}

}  // namespace zeplo
