// exp(x) * (cos y, sin y) rounded to float, decided without the C library's
// exp, cos and sin wherever that can be done safely.
//
// The complex exponential of the working precision (complex_ops.hpp) takes
// the C library's double exp, cos and sin of the float parts, multiplies in
// double and rounds each product to float once. Those double values are within
// about one unit in the last place of the true ones, so their products lie
// within about 2^-51 (relative) of the true products. The evaluation here
// reaches the true products within 2^-47 with a few dozen double operations.
// Whenever its product lies farther than 2^-37 (relative) from every point
// halfway between two floats, the true product, the library's product and this
// one all round to the same float, and that float is the result. Otherwise
// (about one product in four thousand), or when an argument is out of the
// range handled here, the caller evaluates with the library as before. The
// float results are therefore the library's in every case.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace zeplo::detail {

inline std::uint64_t bits_of(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline double double_of(std::uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// The integer nearest to v (ties to even) for |v| < 2^51, by the addition and
// subtraction of 1.5 * 2^52 in the default rounding: one step where the
// library's nearbyint is a call on the baseline instruction set.
inline double round_to_integer(double v) {
    constexpr double kShift = 0x1.8p52;
    return (v + kShift) - kShift;
}

// Whether the float nearest to p is decided with the product known only
// within 2^-37 of its size: p is a double whose size is within the normal
// float range (2^-126 to below 2^128), and its 29 bits below float precision are more than
// 2^16 units of p away from the pattern of a halfway point (1 followed by 28
// zeros). 2^16 units of p are at least 2^-37 of |p|.
inline bool float_rounding_decided(double p) {
    const std::uint64_t b = bits_of(p);
    const int biased = static_cast<int>((b >> 52) & 0x7ff);
    // Floats are normal from 2^-126 up to below 2^128; in the top binade the
    // threshold of overflow is the halfway point above the largest float.
    if (biased < 1023 - 126 || biased > 1023 + 127) return false;
    const std::int64_t low = static_cast<std::int64_t>(b & ((std::uint64_t{1} << 29) - 1));
    const std::int64_t from_half = low - (std::int64_t{1} << 28);
    return from_half > (std::int64_t{1} << 16) || from_half < -(std::int64_t{1} << 16);
}

// 2^(j/32), j = 0..31, each within half a unit in the last place.
inline constexpr double kExp2Fraction[32] = {
    0x1.0000000000000p+0,
    0x1.059b0d3158574p+0,
    0x1.0b5586cf9890fp+0,
    0x1.11301d0125b51p+0,
    0x1.172b83c7d517bp+0,
    0x1.1d4873168b9aap+0,
    0x1.2387a6e756238p+0,
    0x1.29e9df51fdee1p+0,
    0x1.306fe0a31b715p+0,
    0x1.371a7373aa9cbp+0,
    0x1.3dea64c123422p+0,
    0x1.44e086061892dp+0,
    0x1.4bfdad5362a27p+0,
    0x1.5342b569d4f82p+0,
    0x1.5ab07dd485429p+0,
    0x1.6247eb03a5585p+0,
    0x1.6a09e667f3bcdp+0,
    0x1.71f75e8ec5f74p+0,
    0x1.7a11473eb0187p+0,
    0x1.82589994cce13p+0,
    0x1.8ace5422aa0dbp+0,
    0x1.93737b0cdc5e5p+0,
    0x1.9c49182a3f090p+0,
    0x1.a5503b23e255dp+0,
    0x1.ae89f995ad3adp+0,
    0x1.b7f76f2fb5e47p+0,
    0x1.c199bdd85529cp+0,
    0x1.cb720dcef9069p+0,
    0x1.d5818dcfba487p+0,
    0x1.dfc97337b9b5fp+0,
    0x1.ea4afa2a490dap+0,
    0x1.f50765b6e4540p+0,
};

// exp(x) for |x| <= 700 within 2^-50 (relative): x = (32m + j) ln2/32 + r with
// |r| <= ln2/64 (n ln2/32 taken in two parts, the first exact), exp(r) by its
// Taylor series to r^6 (truncation below 2^-57), times 2^(j/32) from the
// table and 2^m exactly.
inline double quick_exp(double x) {
    constexpr double kThirtyTwoOverLn2 = 0x1.71547652b82fep+5;
    constexpr double kLn2Over32Hi = 0x1.62e42fee00000p-6;  // 32 significant bits
    constexpr double kLn2Over32Lo = 0x1.a39ef35793c76p-38;
    const double n = round_to_integer(x * kThirtyTwoOverLn2);
    const double r = (x - n * kLn2Over32Hi) - n * kLn2Over32Lo;
    const double r2 = r * r;
    // Estrin's form: the three pairs are independent.
    const double p01 = 1.0 + r;
    const double p23 = 0.5 + r * (1.0 / 6.0);
    const double p45 = 1.0 / 24.0 + r * (1.0 / 120.0);
    const double p = p01 + r2 * (p23 + r2 * (p45 + r2 * (1.0 / 720.0)));
    const std::int64_t ni = static_cast<std::int64_t>(n);
    const std::uint64_t m = static_cast<std::uint64_t>(ni >> 5);  // arithmetic shift: floor(n / 32)
    const double t = double_of(bits_of(kExp2Fraction[ni & 31]) + (m << 52));
    return t * p;
}

// cos y and sin y for 2^-30 < |y| < 2^20 within 2^-50 (relative), y a float:
// y = k pi/2 + r with pi/2 in three parts (the first two of 33 bits, so that
// k times them is exact for k < 2^20) and |r| <= pi/4 (plus rounding), then the
// kernels of fdlibm (errors below 2^-58 on that interval). Returns false when
// the reduced angle is so small that its relative accuracy is not assured.
inline bool quick_cos_sin(double y, double& c, double& s) {
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPio2_1 = 1.57079632673412561417e+00;
    constexpr double kPio2_2 = 6.07710050630396597660e-11;
    constexpr double kPio2_2t = 2.02226624879595063154e-21;
    const double k = round_to_integer(y * kTwoOverPi);
    const double r = ((y - k * kPio2_1) - k * kPio2_2) - k * kPio2_2t;
    if (std::fabs(r) < 0x1p-30) return false;
    const double z = r * r;
    // The kernels' polynomials in z in Estrin's form: three independent pairs.
    const double z2 = z * z;
    const double sin_poly = (-1.66666666666666324348e-01 + z * 8.33333333332248946124e-03) +
                          z2 * ((-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                                z2 * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10));
    const double cos_poly = (4.16666666666666019037e-02 + z * -1.38888888888741095749e-03) +
                          z2 * ((2.48015872894767294178e-05 + z * -2.75573143513906633035e-07) +
                                z2 * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11));
    const double sin_r = r + r * z * sin_poly;
    const double cos_r = (1.0 - 0.5 * z) + z2 * cos_poly;
    // Quadrant q = k mod 4: (cos, sin) of y is (cos r, sin r) turned by q
    // quarter turns, chosen without branches (the quadrant is not predictable).
    const std::uint64_t q = static_cast<std::uint64_t>(static_cast<std::int64_t>(k)) & 3;
    const std::uint64_t swap = 0 - (q & 1);  // all ones in quadrants 1 and 3
    const std::uint64_t cb = bits_of(cos_r), sb = bits_of(sin_r);
    const std::uint64_t cos_sign = ((q + 1) & 2) << 62;  // quadrants 1 and 2
    const std::uint64_t sin_sign = (q & 2) << 62;        // quadrants 2 and 3
    c = double_of(((cb & ~swap) | (sb & swap)) ^ cos_sign);
    s = double_of(((sb & ~swap) | (cb & swap)) ^ sin_sign);
    return true;
}

// Arguments handled: |x| <= 700 (exp stays a normal double, n in range) and
// |y| < 2^20 (k below 2^20).
inline bool quick_args(double x, double y) { return std::fabs(x) <= 700.0 && std::fabs(y) < 0x1p20; }

// cos and sin of y within 2^-50, or exactly 1 and y itself for y = 0 (as the
// library gives them: the sine keeps the sign of the zero); false as above.
inline bool quick_cos_sin_or_zero(double y, double& c, double& s) {
    if (y == 0.0) {
        c = 1.0;
        s = y;
        return true;
    }
    return quick_cos_sin(y, c, s);
}

// Whether a product e * s with e > 0 rounds to a decided float: a zero sine
// gives the zero itself exactly.
inline bool sine_product_decided(double p, double s) { return s == 0.0 || float_rounding_decided(p); }

// The float parts of exp(x) * (cos y, sin y), when decided.
inline bool quick_exp_cis(double x, double y, float& re, float& im) {
    if (!quick_args(x, y)) return false;
    double c, s;
    if (!quick_cos_sin_or_zero(y, c, s)) return false;
    const double e = quick_exp(x);
    const double pr = e * c, pi = e * s;
    if (!float_rounding_decided(pr) || !sine_product_decided(pi, s)) return false;
    re = static_cast<float>(pr);
    im = static_cast<float>(pi);
    return true;
}

// The same for exp(x) * (cos y, sin y) and exp(-x) * (cos y, -sin y), the
// exponential of (x, y) and of (-x, -y), from one reduction of y. Decides both
// or neither.
inline bool quick_exp_cis_pair(double x, double y, float& re1, float& im1, float& re2, float& im2) {
    if (!quick_args(x, y)) return false;
    double c, s;
    if (!quick_cos_sin_or_zero(y, c, s)) return false;
    const double e1 = quick_exp(x);
    const double e2 = 1.0 / e1;  // one more rounding: still within 2^-49 of exp(-x)
    const double p1r = e1 * c, p1i = e1 * s, p2r = e2 * c, p2i = e2 * s;
    if (!float_rounding_decided(p1r) || !sine_product_decided(p1i, s) || !float_rounding_decided(p2r) ||
        !sine_product_decided(p2i, s))
        return false;
    re1 = static_cast<float>(p1r);
    im1 = static_cast<float>(p1i);
    re2 = static_cast<float>(p2r);
    im2 = -static_cast<float>(p2i);
    return true;
}

}  // namespace zeplo::detail
