#include "detail/sh_column_scaled.hpp"

#include <cmath>
#include <limits>

#include "constants.hpp"

namespace zeplo {

namespace {

// Extended-precision complex helpers, written out so that the branch of the
// square root is the same as in the single-precision steps (a signed zero
// imaginary part never flips the root to the lower half-plane).
struct Cx {
    long double re;
    long double im;
};

Cx mul(Cx a, Cx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
Cx add(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
Cx sub(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
Cx scale(long double s, Cx a) { return {s * a.re, s * a.im}; }
long double mag(Cx a) { return std::hypot(a.re, a.im); }

Cx div(Cx a, Cx b) {
    if (std::fabs(b.im) <= std::fabs(b.re)) {
        const long double r = b.im / b.re;
        const long double s = b.re + b.im * r;
        return {(a.re + a.im * r) / s, (a.im - a.re * r) / s};
    }
    const long double r = b.re / b.im;
    const long double s = b.im + b.re * r;
    return {(a.re * r + a.im) / s, (a.im * r - a.re) / s};
}

Cx root(Cx z) {
    const long double m = mag(z);
    if (m == 0.0L) return {0.0L, 0.0L};
    if (z.re > 0.0L) {
        const long double t = std::sqrt((m + z.re) / 2.0L);
        return {t, z.im / (2.0L * t)};
    }
    long double t = std::sqrt((m - z.re) / 2.0L);
    if (z.im < 0.0L) t = -t;
    return {z.im / (2.0L * t), t};
}

constexpr Cx kOne{1.0L, 0.0L};

// Amplitudes carried as exp(log_scale) * (w1, w2) with max(|w1|, |w2|) = 1.
struct ScaledPair {
    Cx w1{1.0L, 0.0L};
    Cx w2{1.0L, 0.0L};
    long double log_scale = 0.0L;
};

// exp(g) * unit(w) * (cos ph, sin ph), with the magnitude of w taken into the
// exponent g so that neither factor can leave the range on its own.
Cx rotate_scaled(Cx w, long double g, long double ph) {
    const long double m = mag(w);
    if (m == 0.0L) return {0.0L, 0.0L};
    const Cx u = mul(scale(1.0L / m, w), Cx{std::cos(ph), std::sin(ph)});
    return scale(std::exp(g), u);
}

// One part of k * exp(-log_scale) / z, rounded once to float. Each part is
// formed as sign * exp(log of its magnitude) so that the result overflows to
// infinity or underflows to zero only where the true value does.
float reciprocal_part(long double lg, long double unit_part) {
    if (unit_part == 0.0L) return 0.0f;
    const long double v = std::exp(lg + std::log(std::fabs(unit_part)));
    return static_cast<float>(std::copysign(v, unit_part));
}

Complex scaled_reciprocal(long double k, Cx z, long double log_scale) {
    const long double m = mag(z);
    if (m == 0.0L) return {std::numeric_limits<float>::infinity(), 0.0f};
    if (!std::isfinite(m) || !std::isfinite(log_scale)) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan};
    }
    // k / z = (k / |z|) * conj(z) / |z|
    const long double lg = std::log(k) - std::log(m) - log_scale;
    return {reciprocal_part(lg, z.re / m), reciprocal_part(lg, -z.im / m)};
}

}  // namespace

void detail::sh_column_scaled(float om, float freq, const float dns[], const float vs[], const float qs[],
                      const float thk[], float pqf, int nl, float tsin, float sf, Complex& col1,
                      Complex& col2) {
    const bool damped = pqf != kNoDamping;
    const long double pw = damped ? std::pow(static_cast<long double>(freq), pqf) : 0.0L;
    Cx cinv2{0.0L, 0.0L};
    if (nl >= 1) {
        const long double vsn = vs[nl - 1];
        cinv2.re = static_cast<long double>(tsin) * tsin / (vsn * vsn);
    }

    auto velocity = [&](int l) {
        Cx v{vs[l], 0.0L};
        if (damped) v.im = vs[l] * (0.5L / (pw * qs[l]));
        return v;
    };
    auto impedance = [&](int l, Cx v) {
        const Cx c = root(sub(kOne, mul(cinv2, mul(v, v))));
        return mul(scale(dns[l], v), c);
    };

    // The free surface starts the top layer with equal amplitudes; each layer
    // carries the pair down to the top of the next one.
    ScaledPair p;
    for (int l = 0; l + 1 < nl; ++l) {
        const Cx v1 = velocity(l);
        const Cx v2 = velocity(l + 1);
        const Cx am = div(impedance(l, v1), impedance(l + 1, v2));
        const Cx wn = scale(om, root(sub(div(kOne, mul(v1, v1)), cinv2)));
        // i * thk * wn: the real part is the log-growth of the first wave
        // across the layer, the imaginary part its phase.
        const long double growth = -static_cast<long double>(thk[l]) * wn.im;
        const long double phase = static_cast<long double>(thk[l]) * wn.re;

        // Logarithmic sizes of the two carried waves; the larger sets the scale.
        const long double m1 = mag(p.w1), m2 = mag(p.w2);
        const long double ninf = -std::numeric_limits<long double>::infinity();
        const long double g1 = m1 > 0.0L ? growth + std::log(m1) : ninf;
        const long double g2 = m2 > 0.0L ? -growth + std::log(m2) : ninf;
        const long double s = g1 > g2 ? g1 : g2;
        const Cx t1 = rotate_scaled(p.w1, g1 - s, phase);
        const Cx t2 = rotate_scaled(p.w2, g2 - s, -phase);

        const Cx ap = add(kOne, am), an = sub(kOne, am);
        const Cx n1 = scale(0.5L, add(mul(ap, t1), mul(an, t2)));
        const Cx n2 = scale(0.5L, add(mul(an, t1), mul(ap, t2)));
        const long double nm = std::fmax(mag(n1), mag(n2));
        if (!(nm > 0.0L) || !std::isfinite(nm)) {
            // Both waves cancel exactly (or the profile itself is not
            // representable): no finite amplification exists.
            p.w1 = n1;
            p.w2 = n2;
            p.log_scale += s;
            break;
        }
        p.w1 = scale(1.0L / nm, n1);
        p.w2 = scale(1.0L / nm, n2);
        p.log_scale += s + std::log(nm);
    }

    col1 = scaled_reciprocal(sf, p.w1, p.log_scale);
    col2 = scaled_reciprocal(2.0L, add(p.w1, p.w2), p.log_scale);
}

}  // namespace zeplo
