#include "wvfast.hpp"

#include <vector>

namespace zeplo {

namespace {
// pi rounded to single precision; every twiddle angle is a multiple of it.
constexpr float kPai = 3.1415927f;

// One butterfly: the pair (lo, hi) becomes (lo + hi w, lo - hi w).
inline void butterfly(Complex& lo, Complex& hi, Complex w) {
    const Complex temp = cmul(hi, w);
    hi = csub(lo, temp);
    lo = cadd(lo, temp);
}
}  // namespace

void wvfast(int n, Complex a[], int /*mom*/, int ind) {
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

    // Butterfly stages of half-width kmax = 1, 2, 4, ..., n/2. The butterflies
    // of a stage touch disjoint pairs, so their order is free: each group of
    // istep elements is done in one pass, with the stage's twiddles taken
    // beforehand, so that memory is walked once per stage.
    std::vector<Complex> w(static_cast<std::size_t>(n > 1 ? n / 2 : 0));  // twiddles of one stage
    for (int kmax = 1; kmax < n; kmax *= 2) {
        const int istep = 2 * kmax;
        for (int k = 1; k <= kmax; ++k) {
            // The angle is formed and rounded in single precision (pi itself is
            // the float constant); its cos and sin are taken in double and
            // rounded to float: exp(i phi) of the working precision.
            const float phi = kPai * static_cast<float>((k - 1) * ind) / static_cast<float>(kmax);
            w[static_cast<std::size_t>(k - 1)] = cexp(Complex{0.0f, phi});
        }
        for (int group = 0; group < n; group += istep) {
            Complex* lo = a + group;
            Complex* hi = lo + kmax;
            for (int k = 0; k < kmax; ++k) butterfly(lo[k], hi[k], w[static_cast<std::size_t>(k)]);
        }
    }
}

}  // namespace zeplo
