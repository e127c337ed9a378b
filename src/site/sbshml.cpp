#include "sbshml.hpp"

#include <cmath>

#include "constants.hpp"
#include "detail/sh_column_scaled.hpp"

namespace zeplo {

namespace {

constexpr Complex kOne{1.0f, 0.0f};
constexpr Complex kTwo{2.0f, 0.0f};

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

}  // namespace

void sbshml(float fom, float dom, int nom, int mom, const float dns[], const float vs[],
            const float qs[], const float thk[], float pqf, int nl, int /*ml*/, float theta,
            int nsf, Complex amp[]) {
    sbshml_columns(fom, dom, nom, dns, vs, qs, thk, pqf, nl, theta, nsf, amp, amp + mom);
}

void sbshml_columns(float fom, float dom, int nom, const float dns[], const float vs[], const float qs[],
                    const float thk[], float pqf, int nl, float theta, int nsf, Complex col1[], Complex col2[]) {

    // The horizontal slowness sin(theta)/vs(nl) is fixed by the undamped
    // half-space; its square enters every vertical wavenumber. Without a
    // half-space (nl < 1, outside the contract) no layer is read at all.
    const float tsin = static_cast<float>(std::sin(static_cast<double>(theta)));
    Complex cinv2{0.0f, 0.0f};
    if (nl >= 1) {
        const Complex vsn2{vs[nl - 1] * vs[nl - 1], 0.0f};
        cinv2 = cdiv(Complex{tsin * tsin, 0.0f}, vsn2);
    }
    // At vertical incidence cos j is exactly one in every layer and the
    // impedances are left untouched, so that no rounding or signed zero of a
    // product by (1, 0) can creep in.
    const bool oblique = cinv2.re != 0.0f || cinv2.im != 0.0f;
    const bool damped = pqf != kNoDamping;
    const float sf = nsf == 1 ? 2.0f : 1.0f;

    int ifom = 1;
    if (fom == 0.0f) {
        if (nom >= 1) {
            col1[0] = Complex{sf, 0.0f};
            col2[0] = kOne;
        }
        ifom = 2;
    }

    for (int io = ifom; io <= nom; ++io) {
        const float om = static_cast<float>(io - 1) * dom + fom;
        const float freq = om / kTwoPi;
        // freq^pqf depends only on the line, so it is taken once per line.
        const float pw = damped ? rpow(freq, pqf) : 0.0f;

        Complex a11 = kOne, a12{0.0f, 0.0f}, a21{0.0f, 0.0f}, a22 = kOne;

        // Velocity, square and cos j of the layer below the current interface.
        // Counting the layers upward, the lower layer of one step is the upper
        // layer of the step before, so these are carried over.
        Complex vs2{0.0f, 0.0f}, c2 = kOne;
        if (nl >= 2) {
            vs2 = layer_velocity(vs[nl - 1], qs[nl - 1], damped, pw);
            if (oblique) c2 = cos_incidence(cinv2, cmul(vs2, vs2));
        }

        for (int il = nl - 1; il >= 1; --il) {
            const Complex sa11 = a11, sa12 = a12, sa21 = a21, sa22 = a22;
            const Complex vs1 = layer_velocity(vs[il - 1], qs[il - 1], damped, pw);
            const Complex vs21 = cmul(vs1, vs1);

            // Impedance ratio of layer il to layer il+1. The shear stress on a
            // horizontal plane carries rho * vs * cos j in each layer, so at
            // oblique incidence both impedances take their layer's cos j.
            Complex z1 = cmul(Complex{dns[il - 1], 0.0f}, vs1);
            Complex z2 = cmul(Complex{dns[il], 0.0f}, vs2);
            Complex c1 = kOne;
            if (oblique) {
                c1 = cos_incidence(cinv2, vs21);
                z1 = cmul(z1, c1);
                z2 = cmul(z2, c2);
            }
            const Complex am = cdiv(z1, z2);

            // Vertical wavenumber and the phase i * thk * wn across the layer.
            const Complex wn = cmul(Complex{om, 0.0f}, csqrt(csub(cdiv(kOne, vs21), cinv2)));
            const Complex wnd{-(thk[il - 1] * wn.im), thk[il - 1] * wn.re};
            const Complex ex1 = cexp(wnd);
            const Complex ex2 = cexp(Complex{-wnd.re, -wnd.im});

            const Complex ap = cadd(kOne, am);
            const Complex an = csub(kOne, am);
            const Complex sb11 = cdiv(cmul(ap, ex1), kTwo);
            const Complex sb12 = cdiv(cmul(an, ex2), kTwo);
            const Complex sb21 = cdiv(cmul(an, ex1), kTwo);
            const Complex sb22 = cdiv(cmul(ap, ex2), kTwo);

            a11 = cadd(cmul(sa11, sb11), cmul(sa12, sb21));
            a12 = cadd(cmul(sa11, sb12), cmul(sa12, sb22));
            a21 = cadd(cmul(sa21, sb11), cmul(sa22, sb21));
            a22 = cadd(cmul(sa21, sb12), cmul(sa22, sb22));

            vs2 = vs1;
            c2 = c1;
        }

        // The free surface starts equal amplitudes (1, 1); A * (1, 1) is the
        // pair of wave amplitudes at the top of the half-space.
        const Complex up = cadd(a11, a12);
        Complex r1 = cdiv(Complex{sf, 0.0f}, up);
        Complex r2 = cdiv(kTwo, cadd(cadd(up, a21), a22));

        // On thick, strongly damped columns the growing wave of a layer can
        // exceed the single-precision range (exp(wnd) overflows, and inf * 0
        // or inf - inf follow). Such a line has no usable value from the
        // steps above; it is evaluated again with the growth carried as a
        // separate scale. A finite matrix means no intermediate overflowed,
        // and those lines keep the values of the steps above unchanged.
        if (!(is_finite(a11) && is_finite(a12) && is_finite(a21) && is_finite(a22) && is_finite(r1) &&
              is_finite(r2))) {
            detail::sh_column_scaled(om, freq, dns, vs, qs, thk, pqf, nl, tsin, sf, r1, r2);
        }
        col1[io - 1] = r1;
        col2[io - 1] = r2;
    }
}

}  // namespace zeplo
