// The quick complex exponential against the library one it stands in for:
// the same floats bit for bit over wide random and awkward arguments, the
// error bounds its decisions rest on, and the halving that replaces a quotient.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "complex_ops.hpp"
#include "detail/exp_cis_lanes.hpp"

#pragma GCC diagnostic ignored "-Wpsabi"  // wide vectors of doubles in the lane tests

namespace zeplo {
namespace {

// NaNs match any NaN: which operand's NaN an operation passes on is the
// compiler's choice, and a NaN never reaches an output.
bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b); }
bool same_bits(Complex a, Complex b) { return same_bits(a.re, b.re) && same_bits(a.im, b.im); }

float random_bits(std::mt19937_64& g) {
    const auto u = static_cast<std::uint32_t>(g());
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// exp(z) and exp(-z) of the quick path and of the library agree bit for bit.
void expect_same_exponentials(Complex z) {
    const Complex lib = cexp_library(z), lib_neg = cexp_library(Complex{-z.re, -z.im});
    Complex e1, e2;
    cexp_pair(z, e1, e2);
    ASSERT_TRUE(same_bits(cexp(z), lib)) << std::hexfloat << z.re << " " << z.im;
    ASSERT_TRUE(same_bits(e1, lib) && same_bits(e2, lib_neg)) << std::hexfloat << z.re << " " << z.im;
}

TEST(ExpCis, SameFloatsAsTheLibraryOnRandomArguments) {
    std::mt19937_64 g(20240611);
    std::uniform_real_distribution<float> growth(-90.0f, 90.0f), phase(-5000.0f, 5000.0f), small(-4.0f, 4.0f);
    for (int i = 0; i < 300000; ++i) {
        expect_same_exponentials({growth(g), phase(g)});   // the transfer function's range
        expect_same_exponentials({0.0f, phase(g)});        // travel-time phases: exp(0) = 1
        expect_same_exponentials({small(g), small(g)});
        expect_same_exponentials({random_bits(g), random_bits(g)});  // anything, NaN and infinities included
    }
}

TEST(ExpCis, SameFloatsAtTheEdgesOfTheQuickRange) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float xs[] = {0.0f, -0.0f, 1e-30f, -1e-30f, 88.72f, 88.73f, -103.0f, -104.0f, 699.9f, 700.0f,
                        700.1f, -700.0f, -745.2f, inf, -inf, nan};
    const float ys[] = {0.0f, -0.0f, 1e-38f, 1e-9f, 0x1p-30f, 1.5707964f, -1.5707964f, 3.1415927f, 4.712389f,
                        6.2831855f, 0x1p20f, -0x1p20f, 0x1.fffffep19f, 1e30f, inf, nan};
    for (float x : xs)
        for (float y : ys) expect_same_exponentials({x, y});
    // Floats next to multiples of pi/2, where cos or sin is tiny and its
    // relative accuracy rests on the reduction.
    for (int k = 1; k < 200000; k += 7) {
        const float y = static_cast<float>(k * 1.5707963267948966);
        for (float v : {std::nextafter(y, 0.0f), y, std::nextafter(y, 1e30f)}) {
            expect_same_exponentials({0.0f, v});
            expect_same_exponentials({1.25f, -v});
        }
    }
}

// The bounds the decision rests on: the quick exp, cos and sin are within
// 2^-47 of the true values (long double stands in for them).
TEST(ExpCis, QuickValuesAreWithinTheirBound) {
    std::mt19937_64 g(7);
    std::uniform_real_distribution<float> xs(-700.0f, 700.0f), ys(-1e6f, 1e6f);
    const long double bound = 0x1p-47L;
    for (int i = 0; i < 200000; ++i) {
        const float x = xs(g), y = ys(g);
        const long double e = std::exp(static_cast<long double>(x));
        EXPECT_LE(std::fabs(detail::quick_exp(x) - e), bound * e) << x;
        double c, s;
        if (!detail::quick_cos_sin(y, c, s)) continue;
        const long double tc = std::cos(static_cast<long double>(y)), ts = std::sin(static_cast<long double>(y));
        ASSERT_LE(std::fabs(c - tc), bound * std::fabs(tc)) << y;
        ASSERT_LE(std::fabs(s - ts), bound * std::fabs(ts)) << y;
    }
}

TEST(ExpCis, RoundingIsUndecidedNearHalfwayPointsAndOutsideTheNormalFloats) {
    const double one_and_half_ulp = 1.0 + 0x1p-24;  // halfway between 1 and the next float
    EXPECT_FALSE(detail::float_rounding_decided(one_and_half_ulp));
    EXPECT_FALSE(detail::float_rounding_decided(one_and_half_ulp + 0x1p-40));
    EXPECT_FALSE(detail::float_rounding_decided(-(one_and_half_ulp - 0x1p-40)));
    EXPECT_TRUE(detail::float_rounding_decided(one_and_half_ulp + 0x1p-30));
    EXPECT_TRUE(detail::float_rounding_decided(1.0));
    EXPECT_TRUE(detail::float_rounding_decided(-3.0e38));
    EXPECT_TRUE(detail::float_rounding_decided(0x1.fffffep127));   // the largest float
    EXPECT_FALSE(detail::float_rounding_decided(0x1.ffffffp127));  // the threshold of overflow
    EXPECT_FALSE(detail::float_rounding_decided(0x1p128));
    EXPECT_TRUE(detail::float_rounding_decided(0x1p-126));         // the smallest normal float
    EXPECT_FALSE(detail::float_rounding_decided(0x1.8p-127));      // float subnormal
    EXPECT_FALSE(detail::float_rounding_decided(0.0));
}

TEST(ExpCis, HalvingIsTheQuotientByTwo) {
    const Complex two{2.0f, 0.0f};
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float specials[] = {0.0f, -0.0f, 1.0f, -3.0f, 3.4e38f, -1e-45f, 1e-45f, 3e-45f, 1.2e-38f, inf, -inf, nan};
    for (float re : specials)
        for (float im : specials) {
            const Complex a{re, im}, q = cdiv(a, two), h = chalf(a);
            if (std::isnan(q.re) || std::isnan(q.im)) {
                EXPECT_EQ(std::isnan(q.re), std::isnan(h.re));
                EXPECT_EQ(std::isnan(q.im), std::isnan(h.im));
            } else {
                EXPECT_TRUE(same_bits(q, h)) << re << " " << im;
            }
        }
    std::mt19937_64 g(3);
    for (int i = 0; i < 1000000; ++i) {
        const Complex a{random_bits(g), random_bits(g)};
        if (std::isnan(a.re) || std::isnan(a.im) || std::isinf(a.re) || std::isinf(a.im)) continue;
        ASSERT_TRUE(same_bits(cdiv(a, two), chalf(a))) << std::hexfloat << a.re << " " << a.im;
    }
}

// The evaluation in lanes: where it decides, the library's floats; it
// decides nearly everywhere on the transfer function's arguments; its exp,
// cos and sin are within the same bound; its rounding test is the scalar one.
TEST(ExpCisLanes, DecidedLanesHoldTheLibraryFloats) {
    using namespace detail::lanes;
    std::mt19937_64 g(99);
    // Growths within +-80: beyond about 87 one of exp(x) and exp(-x) leaves
    // the normal floats, and those lanes are left to the library.
    std::uniform_real_distribution<float> growth(-80.0f, 80.0f), phase(-5000.0f, 5000.0f);
    long lanes = 0, decided = 0;
    for (int i = 0; i < 200000; ++i) {
        VF x, y;
        for (int k = 0; k < kLanes; ++k) {
            const int kind = (i + k) % 4;
            x[k] = kind == 0 ? random_bits(g) : (kind == 1 ? 0.0f : growth(g));
            y[k] = kind == 0 ? random_bits(g) : (kind == 3 ? 0.0f : phase(g));
        }
        VF r1, i1, r2, i2, cr, ci;
        VL ok;
        exp_cis_pair(x, y, r1, i1, r2, i2, ok);
        VL ok_cis;
        cis(y, cr, ci, ok_cis);
        for (int k = 0; k < kLanes; ++k) {
            const bool typical = (i + k) % 4 != 0;
            lanes += typical ? 1 : 0;
            if (ok[k]) {
                decided += typical ? 1 : 0;
                ASSERT_TRUE(same_bits(Complex{r1[k], i1[k]}, cexp_library({x[k], y[k]})) &&
                            same_bits(Complex{r2[k], i2[k]}, cexp_library({-x[k], -y[k]})))
                    << std::hexfloat << x[k] << " " << y[k];
            }
            if (ok_cis[k]) {
                ASSERT_TRUE(same_bits(Complex{cr[k], ci[k]}, cexp_library({0.0f, y[k]}))) << y[k];
            }
        }
    }
    EXPECT_GT(decided, lanes * 99 / 100) << decided << " of " << lanes;
}

TEST(ExpCisLanes, QuickValuesAreWithinTheirBound) {
    using namespace detail::lanes;
    std::mt19937_64 g(8);
    std::uniform_real_distribution<float> xs(-700.0f, 700.0f), ys(-1e6f, 1e6f);
    const long double bound = 0x1p-47L;
    for (int i = 0; i < 50000; ++i) {
        VD x, y;
        for (int k = 0; k < kLanes; ++k) x[k] = xs(g), y[k] = ys(g);
        const VD e = quick_exp(x);
        VD c, s;
        VL ok = VL{} - 1;
        quick_cos_sin(y, c, s, ok);
        for (int k = 0; k < kLanes; ++k) {
            const long double te = std::exp(static_cast<long double>(x[k]));
            ASSERT_LE(std::fabs(e[k] - te), bound * te) << x[k];
            if (!ok[k]) continue;
            const long double tc = std::cos(static_cast<long double>(y[k])), ts = std::sin(static_cast<long double>(y[k]));
            ASSERT_LE(std::fabs(c[k] - tc), bound * std::fabs(tc)) << y[k];
            ASSERT_LE(std::fabs(s[k] - ts), bound * std::fabs(ts)) << y[k];
        }
    }
}

TEST(ExpCisLanes, RoundingTestIsTheScalarOne) {
    using namespace detail::lanes;
    std::mt19937_64 g(12);
    const double specials[] = {1.0 + 0x1p-24, 1.0 + 0x1p-24 + 0x1p-40, 1.0 + 0x1p-24 + 0x1p-30, 0x1.fffffep127,
                               0x1.ffffffp127, 0x1p128, 0x1p-126, 0x1.8p-127, 0.0, -0.0, -3e38, 1e300};
    for (double p : specials) {
        const VD v{p, -p, p, -p};
        const VL d = rounding_decided(v);
        EXPECT_EQ(d[0] != 0, detail::float_rounding_decided(p)) << p;
        EXPECT_EQ(d[1] != 0, detail::float_rounding_decided(-p)) << p;
    }
    for (int i = 0; i < 1000000; ++i) {
        VD v;
        for (int k = 0; k < kLanes; ++k) {
            const auto b = g();
            double p;
            std::memcpy(&p, &b, sizeof p);
            // Near a halfway point now and then: the low 29 bits near 2^28.
            if (k == 1) p = detail::double_of((b & ~((std::uint64_t{1} << 29) - 1)) | ((std::uint64_t{1} << 28) + (b % 200000) - 100000));
            v[k] = p;
        }
        const VL d = rounding_decided(v);
        for (int k = 0; k < kLanes; ++k) ASSERT_EQ(d[k] != 0, detail::float_rounding_decided(v[k])) << std::hexfloat << v[k];
    }
}

}  // namespace
}  // namespace zeplo
