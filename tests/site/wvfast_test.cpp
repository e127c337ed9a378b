// wvfast: the small cases exactly, the sign convention, the round trip, and
// agreement with a direct DFT in long double up to the largest transform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "wvfast.hpp"

using zeplo::Complex;

namespace {
constexpr long double kTwoPiL = 6.283185307179586476925286766559L;

std::vector<Complex> random_series(int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<Complex> a(n);
    for (auto& z : a) z = {u(gen), u(gen)};
    return a;
}

// Direct DFT with the kernel exp(i * ind * 2 pi p q / n), in long double.
std::vector<std::complex<long double>> direct_dft(const std::vector<Complex>& x, int ind) {
    const std::size_t n = x.size();
    std::vector<std::complex<long double>> w(n), out(n);
    for (std::size_t k = 0; k < n; ++k)
        w[k] = std::polar(1.0L, ind * kTwoPiL * static_cast<long double>(k) / n);
    for (std::size_t q = 0; q < n; ++q) {
        long double re = 0, im = 0;
        for (std::size_t p = 0, k = 0; p < n; ++p) {
            re += x[p].re * w[k].real() - x[p].im * w[k].imag();
            im += x[p].re * w[k].imag() + x[p].im * w[k].real();
            k += q;
            if (k >= n) k -= n;
        }
        out[q] = {re, im};
    }
    return out;
}
}  // namespace

TEST(Wvfast, LengthsOneAndTwo) {
    for (int ind : {-1, 1}) {
        Complex one[1] = {{0.3f, -7.0f}};
        zeplo::wvfast(1, one, 1, ind);
        EXPECT_EQ(one[0].re, 0.3f);
        EXPECT_EQ(one[0].im, -7.0f);
        Complex two[2] = {{1.0f, 2.0f}, {0.5f, -3.0f}};
        zeplo::wvfast(2, two, 2, ind);
        EXPECT_EQ(two[0].re, 1.5f);
        EXPECT_EQ(two[0].im, -1.0f);
        EXPECT_EQ(two[1].re, 0.5f);
        EXPECT_EQ(two[1].im, 5.0f);
    }
}

// An impulse at element 2 reaches the last stage as ones in the upper half, so
// the output is exactly the last stage's twiddles: X(q+1) = w, X(q+1+n/2) = -w,
// w = (cos phi, sin phi) with phi = pi * (q * ind) / (n/2) formed in float.
TEST(Wvfast, TwiddleAngleIsFormedInSinglePrecision) {
    const int n = 1024;
    for (int ind : {-1, 1}) {
        std::vector<Complex> a(n, Complex{0.0f, 0.0f});
        a[1] = {1.0f, 0.0f};
        zeplo::wvfast(n, a.data(), n, ind);
        for (int q = 0; q < n / 2; ++q) {
            const float phi = 3.1415927f * static_cast<float>(q * ind) / static_cast<float>(n / 2);
            const float c = static_cast<float>(std::cos(static_cast<double>(phi)));
            const float s = static_cast<float>(std::sin(static_cast<double>(phi)));
            ASSERT_TRUE(a[q].re == c && a[q].im == s && a[q + n / 2].re == -c && a[q + n / 2].im == -s)
                << "q = " << q;
        }
        EXPECT_NE(a[n / 4].re, 0.0f);  // cos of pi/2 in float is not zero
    }
}

TEST(Wvfast, ImpulseConstantAndCapacityArgument) {
    const int n = 64;
    for (int ind : {-1, 1}) {
        std::vector<Complex> a(n, Complex{0.0f, 0.0f});
        a[0] = {1.0f, 0.0f};
        zeplo::wvfast(n, a.data(), n, ind);
        for (const Complex& z : a) EXPECT_TRUE(z.re == 1.0f && z.im == 0.0f);
        std::fill(a.begin(), a.end(), Complex{1.0f, 0.0f});
        zeplo::wvfast(n, a.data(), n, ind);
        EXPECT_NEAR(a[0].re, n, 1e-4);
        for (int q = 0; q < n; ++q) EXPECT_LT(std::hypot(a[q].re - (q ? 0 : n), a[q].im), 1e-4);
    }
    // The capacity takes no part: any value gives the same bits.
    const auto ref = random_series(256, 7);
    auto a = ref, b = ref, c = ref;
    zeplo::wvfast(256, a.data(), 256, -1);
    zeplo::wvfast(256, b.data(), 0, -1);
    zeplo::wvfast(256, c.data(), -12345, -1);
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(a[i].re == b[i].re && a[i].im == b[i].im && a[i].re == c[i].re && a[i].im == c[i].im);
    }
}

TEST(Wvfast, SignConventionAndRoundTrip) {
    const int n = 32, q0 = 5;
    for (int ind : {-1, 1}) {
        // exp(-i ind 2 pi p q0 / n) transformed with ind gives n at q0 + 1.
        std::vector<Complex> a(n);
        for (int p = 0; p < n; ++p) {
            const long double ph = -ind * kTwoPiL * p * q0 / n;
            a[p] = {static_cast<float>(std::cos(ph)), static_cast<float>(std::sin(ph))};
        }
        zeplo::wvfast(n, a.data(), n, ind);
        for (int q = 0; q < n; ++q) EXPECT_LT(std::hypot(a[q].re - (q == q0 ? n : 0), a[q].im), 1e-4);
    }
    const int m = 4096;
    const auto x = random_series(m, 11);
    auto a = x;
    zeplo::wvfast(m, a.data(), m, -1);
    zeplo::wvfast(m, a.data(), m, 1);
    for (int i = 0; i < m; ++i) {
        EXPECT_NEAR(a[i].re, m * x[i].re, m * 2e-6);
        EXPECT_NEAR(a[i].im, m * x[i].im, m * 2e-6);
    }
}

// Worst error relative to the largest exact output, n = 4 .. 32768, both
// directions up to 4096 and alternating above. Each radix-2 stage adds a few
// roundings of the working precision, so the bound grows with the stage count.
TEST(Wvfast, AgreesWithDirectDftInLongDouble) {
    for (int s = 2; s <= 15; ++s) {
        const int n = 1 << s;
        double worst = 0;
        for (int ind : {-1, 1}) {
            if (s > 12 && ind == (s % 2 ? -1 : 1)) continue;
            const auto x = random_series(n, 100 + s);
            const auto exact = direct_dft(x, ind);
            auto a = x;
            zeplo::wvfast(n, a.data(), n, ind);
            long double err = 0, peak = 0;
            for (int q = 0; q < n; ++q) {
                err = std::max(err, std::abs(exact[q] - std::complex<long double>(a[q].re, a[q].im)));
                peak = std::max(peak, std::abs(exact[q]));
            }
            worst = std::max(worst, static_cast<double>(err / peak));
        }
        std::printf("wvfast n=%6d worst relative error %.3e\n", n, worst);
        RecordProperty("worst_rel_err_n" + std::to_string(n), std::to_string(worst));
        EXPECT_LT(worst, FLT_EPSILON * (1 + 0.5 * s)) << "n = " << n;
    }
}

// The stages are walked group by group with their twiddles taken first; every
// butterfly keeps its operands and operations, so the bits are those of the
// stages written twiddle by twiddle with the library's cos and sin.
TEST(Wvfast, SameBitsAsTheTwiddleByTwiddleStages) {
    auto literal = [](std::vector<Complex> a, int ind) {
        const int n = static_cast<int>(a.size());
        int j = 1;
        for (int i = 1; i <= n; ++i) {
            if (i < j) std::swap(a[j - 1], a[i - 1]);
            int m = n / 2;
            while (j > m) {
                j -= m;
                m /= 2;
                if (m <= 1) break;
            }
            j += m;
        }
        for (int kmax = 1; kmax < n; kmax *= 2) {
            for (int k = 1; k <= kmax; ++k) {
                const float phi = 3.1415927f * static_cast<float>((k - 1) * ind) / static_cast<float>(kmax);
                const Complex w{static_cast<float>(std::cos(static_cast<double>(phi))),
                                static_cast<float>(std::sin(static_cast<double>(phi)))};
                for (int i = k; i <= n - kmax; i += 2 * kmax) {
                    const Complex lo = a[i - 1], hi = a[i - 1 + kmax];
                    const Complex t{hi.re * w.re - hi.im * w.im, hi.re * w.im + hi.im * w.re};
                    a[i - 1 + kmax] = {lo.re - t.re, lo.im - t.im};
                    a[i - 1] = {lo.re + t.re, lo.im + t.im};
                }
            }
        }
        return a;
    };
    for (int n = 1; n <= 32768; n *= 2) {
        for (int ind : {-1, 1}) {
            const auto x = random_series(n, static_cast<unsigned>(n + ind + 7));
            auto a = x;
            zeplo::wvfast(n, a.data(), n, ind);
            const auto b = literal(x, ind);
            for (int q = 0; q < n; ++q)
                ASSERT_TRUE(std::memcmp(&a[q], &b[q], sizeof(Complex)) == 0) << "n " << n << " ind " << ind << " q " << q;
        }
    }
}
