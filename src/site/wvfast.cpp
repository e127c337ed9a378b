#include "wvfast.hpp"
// Vectors wider than the baseline registers are passed in memory; the
// functions that take them are inlined or are clones for AVX, so no such call
// crosses builds.
#pragma GCC diagnostic ignored "-Wpsabi"

#include <cstring>
#include <vector>

#include "detail/exp_cis_lanes.hpp"

namespace zeplo {

namespace {
// pi rounded to single precision; every twiddle angle is a multiple of it.
constexpr float kPai = 3.1415927f;

// The twiddle angle of butterfly k (from 1) of the stage of half-width kmax.
// It is formed and rounded in single precision (pi itself is the float
// constant); its cos and sin are taken in double and rounded to float:
// exp(i phi) of the working precision.
float twiddle_angle(int k, int kmax, int ind) {
    return kPai * static_cast<float>((k - 1) * ind) / static_cast<float>(kmax);
}

using detail::lanes::kLanes;
using detail::lanes::VF;
using detail::lanes::VL;

// One butterfly: the pair (lo, hi) becomes (lo + hi w, lo - hi w).
inline void butterfly(Complex& lo, Complex& hi, Complex w) {
    const Complex temp = cmul(hi, w);
    hi = csub(lo, temp);
    lo = cadd(lo, temp);
}

// The twiddles of the last stage (half-width half): w[m] = exp(i phi) of
// butterfly m+1, a group at a time where the lanes decide them.
ZEPLO_LANE_CLONES void last_stage_twiddles(int half, int ind, Complex w[]) {
    int m = 0;
    for (; m + kLanes <= half; m += kLanes) {
        VF phi;
        for (int k = 0; k < kLanes; ++k) phi[k] = twiddle_angle(m + k + 1, half, ind);
        VF re, im;
        VL ok;
        detail::lanes::cis(phi, re, im, ok);
        for (int k = 0; k < kLanes; ++k)
            w[m + k] = ok[k] ? Complex{re[k], im[k]} : cexp(Complex{0.0f, phi[k]});
    }
    for (; m < half; ++m) w[m] = cexp(Complex{0.0f, twiddle_angle(m + 1, half, ind)});
}

static_assert(kLanes == 8, "the shuffles below are written for eight lanes");

// kLanes consecutive complex values as their real and imaginary parts.
[[gnu::always_inline]] inline void load(const Complex* p, VF& re, VF& im) {
    VF v0, v1;
    std::memcpy(&v0, p, sizeof v0);
    std::memcpy(&v1, p + kLanes / 2, sizeof v1);
    re = __builtin_shufflevector(v0, v1, 0, 2, 4, 6, 8, 10, 12, 14);
    im = __builtin_shufflevector(v0, v1, 1, 3, 5, 7, 9, 11, 13, 15);
}

[[gnu::always_inline]] inline void store(Complex* p, const VF& re, const VF& im) {
    const VF v0 = __builtin_shufflevector(re, im, 0, 8, 1, 9, 2, 10, 3, 11);
    const VF v1 = __builtin_shufflevector(re, im, 4, 12, 5, 13, 6, 14, 7, 15);
    std::memcpy(p, &v0, sizeof v0);
    std::memcpy(p + kLanes / 2, &v1, sizeof v1);
}

// The butterflies of the stage of half-width kmax (a multiple of kLanes), with
// butterfly k's twiddle in w[k]: kLanes at a time, each lane taking
// butterfly()'s operations in the same order and precision.
ZEPLO_LANE_CLONES void stage_in_lanes(Complex* a, int n, int kmax, const Complex* w) {
    for (int group = 0; group < n; group += 2 * kmax) {
        Complex* lo = a + group;
        Complex* hi = lo + kmax;
        for (int k = 0; k < kmax; k += kLanes) {
            VF lre, lim, hre, him, wre, wim;
            load(lo + k, lre, lim);
            load(hi + k, hre, him);
            load(w + k, wre, wim);
            const VF tre = hre * wre - him * wim, tim = hre * wim + him * wre;  // cmul(hi, w)
            const VF hre_out = lre - tre, him_out = lim - tim, lre_out = lre + tre, lim_out = lim + tim;
            store(hi + k, hre_out, him_out);
            store(lo + k, lre_out, lim_out);
        }
    }
}

}  // namespace

void wvfast(int n, Complex a[], int /*mom*/, int ind) {
    std::vector<Complex> scratch(static_cast<std::size_t>(n));
    wvfast(n, a, ind, scratch);
}

void wvfast(int n, Complex a[], int ind, std::span<Complex> scratch) {
    // Bit-reversal reordering, with 1-based positions i and j: j runs through
    // the bit-reversed counterparts of i, and each pair is exchanged once.
    int j = 1;
    for (int i = 1; i <= n; ++i) {
        if (i < j) {
            const Complex t = a[j - 1];
            a[j - 1] = a[i - 1];
            a[i - 1] = t;
        }
        int m = n / 2;
        while (j > m) {
            j -= m;
            m /= 2;
            if (m <= 1) break;
        }
        j += m;
    }
    if (n < 2) return;

    // Butterfly stages of half-width kmax = 1, 2, 4, ..., n/2. The twiddle of
    // butterfly k of a stage is that of butterfly (k-1) (n/2)/kmax + 1 of the
    // last one, to the bit: the angle's numerator and denominator are both
    // scaled by that power of two, exactly, and the rounded quotient is the
    // same. So the last stage's twiddles serve every stage. The butterflies of
    // a stage touch disjoint pairs, so their order is free: each group of
    // istep elements is done in one pass, so that memory is walked once per
    // stage.
    // A stage of half-width kLanes or more takes its twiddles in order, from
    // a table of its own after the last stage's: kmax of them at
    // w + half + kmax - kLanes.
    const int half = n / 2;
    Complex* w = scratch.data();
    last_stage_twiddles(half, ind, w);
    for (int kmax = kLanes; kmax < half; kmax *= 2) {
        Complex* own = w + half + kmax - kLanes;
        const int stride = half / kmax;
        for (int k = 0; k < kmax; ++k) own[k] = w[k * stride];
    }
    for (int kmax = 1; kmax < n; kmax *= 2) {
        const int istep = 2 * kmax;
        const int stride = half / kmax;
        if (kmax >= kLanes) {
            stage_in_lanes(a, n, kmax, kmax == half ? w : w + half + kmax - kLanes);
            continue;
        }
        for (int group = 0; group < n; group += istep) {
            Complex* lo = a + group;
            Complex* hi = lo + kmax;
            for (int k = 0; k < kmax; ++k) butterfly(lo[k], hi[k], w[k * stride]);
        }
    }
}

}  // namespace zeplo
