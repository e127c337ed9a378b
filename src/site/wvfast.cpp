#include "wvfast.hpp"

#include <cmath>

namespace zeplo {

namespace {
// pi rounded to single precision; every twiddle angle is a multiple of it.
constexpr float kPai = 3.1415927f;
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

    // Butterfly stages of half-width kmax = 1, 2, 4, ..., n/2.
    for (int kmax = 1; kmax < n; kmax *= 2) {
        const int istep = 2 * kmax;
        for (int k = 1; k <= kmax; ++k) {
            // The angle is formed and rounded in single precision (pi itself is
            // the float constant); only cos and sin are taken in double.
            const float phi = kPai * static_cast<float>((k - 1) * ind) / static_cast<float>(kmax);
            const Complex w{static_cast<float>(std::cos(static_cast<double>(phi))),
                            static_cast<float>(std::sin(static_cast<double>(phi)))};
            for (int i = k; i <= n - kmax; i += istep) {
                Complex& lo = a[i - 1];
                Complex& hi = a[i - 1 + kmax];
                const Complex temp = cmul(hi, w);
                hi = csub(lo, temp);
                lo = cadd(lo, temp);
            }
        }
    }
}

}  // namespace zeplo
