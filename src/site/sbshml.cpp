#include "sbshml.hpp"
// Vectors wider than the baseline registers are passed in memory; the
// functions that take them are inlined or are clones for AVX, so no such call
// crosses builds.
#pragma GCC diagnostic ignored "-Wpsabi"

#include <cmath>
#include <vector>

#include "constants.hpp"
#include "detail/exp_cis_lanes.hpp"
#include "detail/sh_column_scaled.hpp"
#include "parallel_for.hpp"

namespace zeplo {

namespace {

constexpr Complex kOne{1.0f, 0.0f};
constexpr Complex kTwo{2.0f, 0.0f};

// Layer steps per thread below which more threads do not pay for their start.
constexpr long long kMinStepsPerThread = 40000;

// Complex S-wave velocity of one layer: vs * (1 + i / (2 q)) with the quality
// factor q = freq^pqf * qs, the power already rounded (pw).
Complex layer_velocity(float vs, float qs, bool damped, float pw) {
    Complex v{vs, 0.0f};
    if (damped) {
        const float q = pw * qs;
        v = cmul(v, Complex{1.0f, 0.5f / q});
    }
    return v;
}

// cos j of a layer with complex velocity v (v2 = v*v) for the squared
// horizontal slowness cinv2: the principal root of 1 - cinv2 * v^2.
Complex cos_incidence(Complex cinv2, Complex v2) { return csqrt(csub(kOne, cmul(cinv2, v2))); }

// What the steps of a line take from layer il (the interface between il and
// il+1): 1 + am and 1 - am, am the impedance ratio of layer il to layer il+1,
// and the vertical slowness kz of layer il (the wavenumber is om * kz).
struct LayerTerms {
    Complex ap, an, kz;
};

struct ColumnSetup {
    const float* dns;
    const float* vs;
    const float* qs;
    const float* thk;
    float pqf;
    int nl;
    float tsin;
    Complex cinv2;
    bool oblique;
    bool damped;
    float sf;
};

// The layer terms of every interface (terms[il - 1] for il = 1 .. nl-1) for
// the power pw = freq^pqf of one line. Counting upward, the lower layer of one
// interface is the upper layer of the one below it, so its velocity and cos j
// are carried over.
void layer_terms(const ColumnSetup& c, float pw, LayerTerms terms[]) {
    const int nl = c.nl;
    if (nl < 2) return;
    Complex vs2 = layer_velocity(c.vs[nl - 1], c.qs[nl - 1], c.damped, pw);
    Complex c2 = kOne;
    if (c.oblique) c2 = cos_incidence(c.cinv2, cmul(vs2, vs2));
    for (int il = nl - 1; il >= 1; --il) {
        const Complex vs1 = layer_velocity(c.vs[il - 1], c.qs[il - 1], c.damped, pw);
        const Complex vs21 = cmul(vs1, vs1);

        // Impedance ratio of layer il to layer il+1. The shear stress on a
        // horizontal plane carries rho * vs * cos j in each layer, so at
        // oblique incidence both impedances take their layer's cos j.
        Complex z1 = cmul(Complex{c.dns[il - 1], 0.0f}, vs1);
        Complex z2 = cmul(Complex{c.dns[il], 0.0f}, vs2);
        Complex c1 = kOne;
        if (c.oblique) {
            c1 = cos_incidence(c.cinv2, vs21);
            z1 = cmul(z1, c1);
            z2 = cmul(z2, c2);
        }
        const Complex am = cdiv(z1, z2);
        terms[il - 1] = LayerTerms{cadd(kOne, am), csub(kOne, am), csqrt(csub(cdiv(kOne, vs21), c.cinv2))};

        vs2 = vs1;
        c2 = c1;
    }
}

void finish_line(const ColumnSetup& c, float om, float freq, Complex a11, Complex a12, Complex a21, Complex a22,
                 Complex& col1, Complex& col2);

// Both amplification factors of the line at angular frequency om.
void line_value(const ColumnSetup& c, float om, float freq, const LayerTerms terms[], Complex& col1,
                Complex& col2) {
    Complex a11 = kOne, a12{0.0f, 0.0f}, a21{0.0f, 0.0f}, a22 = kOne;
    for (int il = c.nl - 1; il >= 1; --il) {
        const LayerTerms& t = terms[il - 1];
        const Complex sa11 = a11, sa12 = a12, sa21 = a21, sa22 = a22;

        // Vertical wavenumber and the phase i * thk * wn across the layer.
        const Complex wn = cmul(Complex{om, 0.0f}, t.kz);
        const Complex wnd{-(c.thk[il - 1] * wn.im), c.thk[il - 1] * wn.re};
        Complex ex1, ex2;
        cexp_pair(wnd, ex1, ex2);  // exp(wnd) and exp(-wnd)

        const Complex sb11 = chalf(cmul(t.ap, ex1));
        const Complex sb12 = chalf(cmul(t.an, ex2));
        const Complex sb21 = chalf(cmul(t.an, ex1));
        const Complex sb22 = chalf(cmul(t.ap, ex2));

        a11 = cadd(cmul(sa11, sb11), cmul(sa12, sb21));
        a12 = cadd(cmul(sa11, sb12), cmul(sa12, sb22));
        a21 = cadd(cmul(sa21, sb11), cmul(sa22, sb21));
        a22 = cadd(cmul(sa21, sb12), cmul(sa22, sb22));
    }

    finish_line(c, om, freq, a11, a12, a21, a22, col1, col2);
}

// The two factors of a line from its layer matrix A.
void finish_line(const ColumnSetup& c, float om, float freq, Complex a11, Complex a12, Complex a21, Complex a22,
                 Complex& col1, Complex& col2) {
    // The free surface starts equal amplitudes (1, 1); A * (1, 1) is the
    // pair of wave amplitudes at the top of the half-space.
    const Complex up = cadd(a11, a12);
    Complex r1 = cdiv(Complex{c.sf, 0.0f}, up);
    Complex r2 = cdiv(kTwo, cadd(cadd(up, a21), a22));

    // On thick, strongly damped columns the growing wave of a layer can
    // exceed the single-precision range (exp(wnd) overflows, and inf * 0
    // or inf - inf follow). Such a line has no usable value from the
    // steps above; it is evaluated again with the growth carried as a
    // separate scale. A finite matrix means no intermediate overflowed,
    // and those lines keep the values of the steps above unchanged.
    if (!(is_finite(a11) && is_finite(a12) && is_finite(a21) && is_finite(a22) && is_finite(r1) &&
          is_finite(r2))) {
        detail::sh_column_scaled(om, freq, c.dns, c.vs, c.qs, c.thk, c.pqf, c.nl, c.tsin, c.sf, r1, r2);
    }
    col1 = r1;
    col2 = r2;
}

// kLanes lines at once, one in each lane of the vector types: every lane takes
// the operations of line_value, in the same order and precision (vector
// arithmetic rounds each operation as the scalar one does, and the build
// fuses none), so each line's values are those of line_value.
namespace lanes {

using detail::lanes::kLanes;
using detail::lanes::VF;
using detail::lanes::VL;

struct CV {  // kLanes complex values
    VF re, im;
};

[[gnu::always_inline]] inline CV mul(const CV& a, const CV& b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
[[gnu::always_inline]] inline CV add(const CV& a, const CV& b) { return {a.re + b.re, a.im + b.im}; }
[[gnu::always_inline]] inline CV half(const CV& a) {
    return {(a.re + a.im * 0.0f) / 2.0f, (a.im - a.re * 0.0f) / 2.0f};
}

#pragma GCC diagnostic ignored "-Wpsabi"

// Lines at om[0 .. kLanes-1]; terms[k] are the layer terms of line k (the same
// array for all when they do not depend on the line).
ZEPLO_LANE_CLONES void line_values(const ColumnSetup& c, const float om[kLanes], const float freq[kLanes],
                                   const LayerTerms* const terms[kLanes], Complex col1[kLanes],
                                   Complex col2[kLanes]) {
    VF omv;
    bool shared = true;
    for (int k = 0; k < kLanes; ++k) {
        omv[k] = om[k];
        shared = shared && terms[k] == terms[0];
    }
    const VF zero{};
    CV a11{zero + 1.0f, zero}, a12{zero, zero}, a21{zero, zero}, a22{zero + 1.0f, zero};
    for (int il = c.nl - 1; il >= 1; --il) {
        CV ap{}, an{}, kz{};
        if (shared) {
            const LayerTerms& t = terms[0][il - 1];
            ap = CV{zero + t.ap.re, zero + t.ap.im};
            an = CV{zero + t.an.re, zero + t.an.im};
            kz = CV{zero + t.kz.re, zero + t.kz.im};
        } else {
            for (int k = 0; k < kLanes; ++k) {
                const LayerTerms& t = terms[k][il - 1];
                ap.re[k] = t.ap.re;
                ap.im[k] = t.ap.im;
                an.re[k] = t.an.re;
                an.im[k] = t.an.im;
                kz.re[k] = t.kz.re;
                kz.im[k] = t.kz.im;
            }
        }
        const CV sa11 = a11, sa12 = a12, sa21 = a21, sa22 = a22;

        const CV wn = mul(CV{omv, zero}, kz);
        const float thk = c.thk[il - 1];
        const VF x = -(thk * wn.im), y = thk * wn.re;
        CV ex1, ex2;
        VL ok;
        detail::lanes::exp_cis_pair(x, y, ex1.re, ex1.im, ex2.re, ex2.im, ok);
        for (int k = 0; k < kLanes && !detail::lanes::all(ok); ++k) {
            if (ok[k]) continue;
            const Complex e1 = cexp_library(Complex{x[k], y[k]});
            const Complex e2 = cexp_library(Complex{-x[k], -y[k]});
            ex1.re[k] = e1.re;
            ex1.im[k] = e1.im;
            ex2.re[k] = e2.re;
            ex2.im[k] = e2.im;
        }

        const CV sb11 = half(mul(ap, ex1));
        const CV sb12 = half(mul(an, ex2));
        const CV sb21 = half(mul(an, ex1));
        const CV sb22 = half(mul(ap, ex2));

        a11 = add(mul(sa11, sb11), mul(sa12, sb21));
        a12 = add(mul(sa11, sb12), mul(sa12, sb22));
        a21 = add(mul(sa21, sb11), mul(sa22, sb21));
        a22 = add(mul(sa21, sb12), mul(sa22, sb22));
    }
    for (int k = 0; k < kLanes; ++k)
        finish_line(c, om[k], freq[k], Complex{a11.re[k], a11.im[k]}, Complex{a12.re[k], a12.im[k]},
                    Complex{a21.re[k], a21.im[k]}, Complex{a22.re[k], a22.im[k]}, col1[k], col2[k]);
}


}  // namespace lanes

}  // namespace

void sbshml(float fom, float dom, int nom, int mom, const float dns[], const float vs[],
            const float qs[], const float thk[], float pqf, int nl, int /*ml*/, float theta,
            int nsf, Complex amp[]) {
    sbshml_columns(fom, dom, nom, dns, vs, qs, thk, pqf, nl, theta, nsf, amp, amp + mom);
}

void sbshml_columns(float fom, float dom, int nom, const float dns[], const float vs[], const float qs[],
                    const float thk[], float pqf, int nl, float theta, int nsf, Complex col1[], Complex col2[]) {
    sbshml_columns(fom, dom, nom, dns, vs, qs, thk, pqf, nl, theta, nsf, col1, col2, 1);
}

void sbshml_columns(float fom, float dom, int nom, const float dns[], const float vs[], const float qs[],
                    const float thk[], float pqf, int nl, float theta, int nsf, Complex col1[], Complex col2[],
                    int threads, Workers* workers) {
    ColumnSetup c{dns, vs, qs, thk, pqf, nl, 0.0f, {0.0f, 0.0f}, false, false, 1.0f};

    // The horizontal slowness sin(theta)/vs(nl) is fixed by the undamped
    // half-space; its square enters every vertical wavenumber. Without a
    // half-space (nl < 1, outside the contract) no layer is read at all.
    c.tsin = static_cast<float>(std::sin(static_cast<double>(theta)));
    if (nl >= 1) {
        const Complex vsn2{vs[nl - 1] * vs[nl - 1], 0.0f};
        c.cinv2 = cdiv(Complex{c.tsin * c.tsin, 0.0f}, vsn2);
    }
    // At vertical incidence cos j is exactly one in every layer and the
    // impedances are left untouched, so that no rounding or signed zero of a
    // product by (1, 0) can creep in.
    c.oblique = c.cinv2.re != 0.0f || c.cinv2.im != 0.0f;
    c.damped = pqf != kNoDamping;
    c.sf = nsf == 1 ? 2.0f : 1.0f;

    int ifom = 1;
    if (fom == 0.0f) {
        if (nom >= 1) {
            col1[0] = Complex{c.sf, 0.0f};
            col2[0] = kOne;
        }
        ifom = 2;
    }
    if (nom < ifom) return;

    // freq^pqf is the one thing a line's layer terms depend on. Undamped it
    // takes no part, and with pqf = 0 it is exactly 1 (x^0 = 1 for every x):
    // then the terms are the same for every line and are taken once.
    const bool terms_per_line = c.damped && pqf != 0.0f;
    const std::size_t interfaces = nl >= 2 ? static_cast<std::size_t>(nl - 1) : 0;
    std::vector<LayerTerms> shared(interfaces);
    if (!terms_per_line) layer_terms(c, c.damped ? 1.0f : 0.0f, shared.data());

    const int lines = nom - ifom + 1;
    const long long steps = static_cast<long long>(lines) * (nl > 1 ? nl : 1);
    // Per-line terms of one group of lines for each block, allocated here: a worker
    // that allocated would set up a memory arena of its own.
    const int used = threads_for(steps, kMinStepsPerThread, threads);
    constexpr int kGroup = lanes::kLanes;
    std::vector<LayerTerms> per_line(terms_per_line ? static_cast<std::size_t>(used) * kGroup * interfaces : 0);
    // (block_index never reaches `used`: there are at most that many blocks.)
    parallel_for_blocks(lines, used, [&](int begin, int end) {
        const std::size_t block = static_cast<std::size_t>(block_index(begin, lines, used));
        LayerTerms* const own = per_line.data() + (terms_per_line ? block * kGroup * interfaces : 0);
        const LayerTerms* terms[kGroup];
        for (int k = 0; k < kGroup; ++k) terms[k] = terms_per_line ? own + k * interfaces : shared.data();
        int io = ifom + begin;
        // A group of lines at a time, then the rest one by one.
        for (; io + kGroup - 1 < ifom + end; io += kGroup) {
            float om[kGroup], freq[kGroup];
            for (int k = 0; k < kGroup; ++k) {
                om[k] = static_cast<float>(io + k - 1) * dom + fom;
                freq[k] = om[k] / kTwoPi;
                if (terms_per_line) layer_terms(c, rpow(freq[k], pqf), own + k * interfaces);
            }
            if (nl >= 2) {
                lanes::line_values(c, om, freq, terms, col1 + io - 1, col2 + io - 1);
            } else {
                for (int k = 0; k < kGroup; ++k) line_value(c, om[k], freq[k], terms[0], col1[io + k - 1], col2[io + k - 1]);
            }
        }
        for (; io < ifom + end; ++io) {
            const float om = static_cast<float>(io - 1) * dom + fom;
            const float freq = om / kTwoPi;
            if (terms_per_line) layer_terms(c, rpow(freq, pqf), own);
            line_value(c, om, freq, terms[0], col1[io - 1], col2[io - 1]);
        }
    }, workers);
}

}  // namespace zeplo
