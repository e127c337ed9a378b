// exp(x) * (cos y, sin y) rounded to float on eight arguments at a time, with
// the compiler's vector types (eight lanes: four vector registers of doubles
// on the baseline instruction set, two with AVX2, one with AVX-512). The error
// bounds and the decision are those of exp_cis.hpp (see there); only the
// exponential differs in form, a Taylor series to r^13 on |r| <= ln2/2 in
// place of the table (truncation below 2^-56), so that no lane needs a table
// look-up. A lane whose rounding is not decided is left to the library, as in
// the single evaluation.
#pragma once

#include <cstdint>
#include <cstring>

// Vectors of eight doubles are returned in memory below AVX-512; every function
// here is inlined, so no such call remains. They are taken by reference.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// The functions with lanes are built for the baseline and, where the processor
// has them, for AVX2 and for AVX-512, chosen when the program starts (eight
// doubles fill one AVX-512 register: the transfer function runs about 1.7
// times as fast as with AVX2 here). The choice is made by a resolver that runs
// before ThreadSanitizer's runtime is set up, so under ThreadSanitizer only
// the baseline is built.
#if defined(__SANITIZE_THREAD__)
#define ZEPLO_LANE_CLONES
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZEPLO_LANE_CLONES
#endif
#endif
#ifndef ZEPLO_LANE_CLONES
#define ZEPLO_LANE_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#endif

namespace zeplo::detail::lanes {

constexpr int kLanes = 8;
using VD = double __attribute__((vector_size(kLanes * sizeof(double))));
// Integer lanes are unsigned: their arithmetic wraps. Comparisons give masks
// of all ones or zeros, converted to these lanes.
using VL = std::uint64_t __attribute__((vector_size(kLanes * sizeof(std::uint64_t))));
using VF = float __attribute__((vector_size(kLanes * sizeof(float))));
using VM = std::uint32_t __attribute__((vector_size(kLanes * sizeof(std::uint32_t))));  // float masks

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kExponentBits = std::uint64_t{0x7ff} << 52;
constexpr double kShift = 0x1.8p52;

[[gnu::always_inline]] inline VD as_double(const VL& v) { return reinterpret_cast<VD>(v); }
[[gnu::always_inline]] inline VL as_bits(const VD& v) { return reinterpret_cast<VL>(v); }
[[gnu::always_inline]] inline VD abs(const VD& v) { return as_double(as_bits(v) & ~kSignBit); }
template <class M>
[[gnu::always_inline]] inline VL mask(const M& m) {
    return reinterpret_cast<VL>(m);
}

// Nearest integers (ties to even) of |v| < 2^51, as doubles and as integers.
[[gnu::always_inline]] inline VD round_to_integer(const VD& v, VL& integer) {
    const VD shifted = v + kShift;
    integer = as_bits(shifted) - as_bits(VD{} + kShift);
    return shifted - kShift;
}

// exp(x) within 2^-50 for |x| <= 700.
[[gnu::always_inline]] inline VD quick_exp(const VD& x) {
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 32 significant bits
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    VL ni;
    const VD n = round_to_integer(x * kInvLn2, ni);
    const VD r = (x - n * kLn2Hi) - n * kLn2Lo;
    const VD r2 = r * r, r4 = r2 * r2, r8 = r4 * r4;
    // Estrin's form of sum r^i / i!, i = 0..13.
    const VD q01 = 1.0 + r;
    const VD q23 = 1.0 / 2 + r * (1.0 / 6);
    const VD q45 = 1.0 / 24 + r * (1.0 / 120);
    const VD q67 = 1.0 / 720 + r * (1.0 / 5040);
    const VD q89 = 1.0 / 40320 + r * (1.0 / 362880);
    const VD q1011 = 1.0 / 3628800 + r * (1.0 / 39916800);
    const VD q1213 = 1.0 / 479001600 + r * (1.0 / 6227020800);
    const VD low = (q01 + r2 * q23) + r4 * (q45 + r2 * q67);
    const VD high = (q89 + r2 * q1011) + r4 * q1213;
    const VD p = low + r8 * high;
    return p * as_double((ni + 1023) << 52);
}

// cos y and sin y within 2^-50 for |y| < 2^20, y a float; y = 0 gives exactly
// 1 and y. `ok` is cleared where the reduced angle is too small for that.
[[gnu::always_inline]] inline void quick_cos_sin(const VD& y, VD& c, VD& s, VL& ok) {
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPio2_1 = 1.57079632673412561417e+00;
    constexpr double kPio2_2 = 6.07710050630396597660e-11;
    constexpr double kPio2_2t = 2.02226624879595063154e-21;
    VL ki;
    const VD k = round_to_integer(y * kTwoOverPi, ki);
    const VD r = ((y - k * kPio2_1) - k * kPio2_2) - k * kPio2_2t;
    const VL zero = mask(y == 0.0);
    ok &= mask(abs(r) >= 0x1p-30) | zero;
    const VD z = r * r;
    // The kernels' polynomials in z in Estrin's form: three independent pairs.
    const VD z2 = z * z;
    const VD sin_poly = (-1.66666666666666324348e-01 + z * 8.33333333332248946124e-03) +
                          z2 * ((-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                                z2 * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10));
    const VD cos_poly = (4.16666666666666019037e-02 + z * -1.38888888888741095749e-03) +
                          z2 * ((2.48015872894767294178e-05 + z * -2.75573143513906633035e-07) +
                                z2 * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11));
    const VD sin_r = r + r * z * sin_poly;
    const VD cos_r = (1.0 - 0.5 * z) + z2 * cos_poly;
    const VL q = ki & 3;
    const VL swap = VL{} - (q & 1);
    const VL cb = as_bits(cos_r), sb = as_bits(sin_r);
    const VL turned_c = ((cb & ~swap) | (sb & swap)) ^ (((q + 1) & 2) << 62);
    const VL turned_s = ((sb & ~swap) | (cb & swap)) ^ ((q & 2) << 62);
    c = as_double((turned_c & ~zero) | (as_bits(VD{} + 1.0) & zero));
    s = as_double((turned_s & ~zero) | (as_bits(y) & zero));
}

// float_rounding_decided of exp_cis.hpp on the lanes: p's binade lies in the
// normal float range and its 29 bits below float precision are more than 2^16
// units of p away from the pattern of a halfway point.
[[gnu::always_inline]] inline VL rounding_decided(const VD& p) {
    const VL b = as_bits(p);
    const VL biased = (b >> 52) & 0x7ff;
    const VL in_range = biased - (1023 - 126);  // wraps below: only 0 .. 253 pass
    const VL from_half = (b & ((std::uint64_t{1} << 29) - 1)) - (std::uint64_t{1} << 28) + (std::uint64_t{1} << 16);
    // from_half wraps below zero too: it passes when beyond 2^17, either way.
    return mask(in_range <= 253) & mask(from_half > (std::uint64_t{1} << 17));
}

// Whether every lane of a mask is set.
[[gnu::always_inline]] inline bool all(const VL& m) {
    std::uint64_t lanes[kLanes];
    std::memcpy(lanes, &m, sizeof lanes);
    std::uint64_t both = lanes[0];
    for (int k = 1; k < kLanes; ++k) both &= lanes[k];
    return both != 0;
}

[[gnu::always_inline]] inline VF to_float(const VD& v) { return __builtin_convertvector(v, VF); }
[[gnu::always_inline]] inline VD to_double(const VF& v) { return __builtin_convertvector(v, VD); }

// exp(x) * (cos y, sin y) into (re1, im1) and exp(-x) * (cos y, -sin y) into
// (re2, im2): the floats of cexp({x, y}) and cexp({-x, -y}) in every lane
// where the mask `ok` is set. The mask is given back through a reference, as
// are all vectors of doubles or integers that the clones for AVX take
// from these functions: some compilers refuse such a vector as a return value
// across the two instruction sets, inlined or not.
[[gnu::always_inline]] inline void exp_cis_pair(const VF& x, const VF& y, VF& re1, VF& im1, VF& re2, VF& im2, VL& ok) {
    const VD xv = to_double(x), yv = to_double(y);
    ok = mask(abs(xv) <= 700.0) & mask(abs(yv) < 0x1p20);
    VD c, s;
    quick_cos_sin(yv, c, s, ok);
    const VD ex = quick_exp(xv);
    const VD emx = 1.0 / ex;  // one more rounding: still within 2^-49 of exp(-x)
    const VD p1r = ex * c, p1i = ex * s, p2r = emx * c, p2i = emx * s;
    ok &= rounding_decided(p1r) & rounding_decided(p2r) &
          ((rounding_decided(p1i) & rounding_decided(p2i)) | mask(s == 0.0));
    re1 = to_float(p1r);
    im1 = to_float(p1i);
    re2 = to_float(p2r);
    im2 = -to_float(p2i);
}

// cos y and sin y into (re, im): the floats of cexp({0, y}) (exp(0) is 1
// exactly) in every lane where the mask `ok` is set.
[[gnu::always_inline]] inline void cis(const VF& y, VF& re, VF& im, VL& ok) {
    const VD yv = to_double(y);
    ok = mask(abs(yv) < 0x1p20);
    VD c, s;
    quick_cos_sin(yv, c, s, ok);
    ok &= rounding_decided(c) & (rounding_decided(s) | mask(s == 0.0));
    re = to_float(c);
    im = to_float(s);
}

}  // namespace zeplo::detail::lanes

#pragma GCC diagnostic pop
