// The complex operations against their definitions: exact values where the
// definition gives them, the branches of the scaled quotient, the principal
// square root and the double-precision interior of quotient, modulus and power.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "complex_ops.hpp"

using zeplo::Complex;

namespace {
void expect_bits(Complex got, float re, float im) {
    EXPECT_EQ(got.re, re);
    EXPECT_EQ(got.im, im);
    EXPECT_EQ(std::signbit(got.im), std::signbit(im));
}
}  // namespace

TEST(ComplexOps, ProductSumDifferenceArePlainFloat) {
    expect_bits(zeplo::cmul({1.5f, -2.0f}, {0.25f, 3.0f}), 6.375f, 4.0f);
    expect_bits(zeplo::cadd({1.5f, -2.0f}, {0.25f, 3.0f}), 1.75f, 1.0f);
    expect_bits(zeplo::csub({1.5f, -2.0f}, {0.25f, 3.0f}), 1.25f, -5.0f);
    // x*x - y with x = 1 + 2^-12, y = 1 + 2^-11: the rounded square equals y
    // exactly, so the real part is 0; a fused multiply-add would leave 2^-24.
    const float x = 1.0f + 0x1p-12f, y = 1.0f + 0x1p-11f;
    EXPECT_EQ(zeplo::cmul({x, 1.0f}, {x, y}).re, 0.0f);
}

TEST(ComplexOps, QuotientTakesBothScaledBranches) {
    expect_bits(zeplo::cdiv({1.0f, 2.0f}, {3.0f, 1.0f}), 0.5f, 0.5f);         // |h| <= |g|
    expect_bits(zeplo::cdiv({1.0f, 2.0f}, {1.0f, 3.0f}), 0.7f, -0.1f);        // |h| > |g|
    expect_bits(zeplo::cdiv({2.0f, 0.0f}, {1.0f, -1.0f}), 1.0f, 1.0f);        // tie
    expect_bits(zeplo::cdiv({-4.0f, 6.0f}, {0.0f, 2.0f}), 3.0f, 2.0f);        // imaginary divisor
    // Operands near the top of the float range: no square of the divisor is
    // formed, so the quotient is exact where a naive formula overflows.
    expect_bits(zeplo::cdiv({3e38f, 3e38f}, {3e38f, 3e38f}), 1.0f, 0.0f);
    // Evaluated in double: the float operands 1e-30 have products below the
    // float range, the quotient does not.
    expect_bits(zeplo::cdiv({1e-30f, 0.0f}, {1e-30f, 1e-30f}), 0.5f, -0.5f);
}

TEST(ComplexOps, SquareRootIsPrincipal) {
    expect_bits(zeplo::csqrt({4.0f, 0.0f}), 2.0f, 0.0f);
    expect_bits(zeplo::csqrt({0.0f, 0.0f}), 0.0f, 0.0f);
    expect_bits(zeplo::csqrt({3.0f, 4.0f}), 2.0f, 1.0f);
    expect_bits(zeplo::csqrt({3.0f, -4.0f}), 2.0f, -1.0f);
    expect_bits(zeplo::csqrt({-3.0f, 4.0f}), 1.0f, 2.0f);
    expect_bits(zeplo::csqrt({-3.0f, -4.0f}), 1.0f, -2.0f);
    expect_bits(zeplo::csqrt({0.0f, -2.0f}), 1.0f, -1.0f);
    // Negative real axis: the root is +i*sqrt(|x|), for either signed zero.
    EXPECT_EQ(zeplo::csqrt({-4.0f, 0.0f}).im, 2.0f);
    EXPECT_EQ(zeplo::csqrt({-4.0f, -0.0f}).im, 2.0f);
    EXPECT_EQ(zeplo::csqrt({-4.0f, -0.0f}).re, 0.0f);
    // Squares of 1e20 overflow float but not the double interior.
    expect_bits(zeplo::csqrt({-1e20f, 0.0f}), 0.0f, 1e10f);
}

TEST(ComplexOps, ExponentialModulusAndPowerRoundOnce) {
    const double y = 2.5;
    EXPECT_EQ(zeplo::cexp({1.0f, 2.5f}).re, static_cast<float>(std::exp(1.0) * std::cos(y)));
    EXPECT_EQ(zeplo::cexp({1.0f, 2.5f}).im, static_cast<float>(std::exp(1.0) * std::sin(y)));
    EXPECT_EQ(zeplo::cexp({88.0f, 0.0f}).re, static_cast<float>(std::exp(88.0)));
    EXPECT_TRUE(std::isinf(zeplo::cexp({89.0f, 0.0f}).re));
    EXPECT_EQ(zeplo::cexp({-110.0f, 1.0f}).re, 0.0f);
    EXPECT_EQ(zeplo::cabs({3.0f, -4.0f}), 5.0f);
    EXPECT_EQ(zeplo::cabs({3e20f, 4e20f}), 5e20f);                       // squares beyond float
    EXPECT_EQ(zeplo::cabs({1e-30f, -1e-30f}), static_cast<float>(std::sqrt(2.0) * 1e-30f));
    EXPECT_EQ(zeplo::rpow(2.0f, 0.5f), static_cast<float>(std::sqrt(2.0)));
    EXPECT_EQ(zeplo::rpow(0.0f, 0.0f), 1.0f);
    EXPECT_EQ(zeplo::rpow(37.5f, 0.0f), 1.0f);
    EXPECT_EQ(zeplo::rpow(10.0f, -1.0f), 0.1f);
    EXPECT_TRUE(std::isinf(zeplo::rpow(10.0f, 39.0f)));
}
