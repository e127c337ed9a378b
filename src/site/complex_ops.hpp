// Complex arithmetic of the working precision.
//
// A complex value is a pair of single-precision reals, real part first. The
// product, sum and difference are plain float arithmetic (the build forbids
// fused multiply-adds, so every product is rounded before it is added). The
// quotient, square root, exponential, modulus and real power are evaluated in
// double from the float operands and each part is rounded to float once.
// These are deliberately not std::complex operators: their special cases and
// intermediate roundings differ from the ones defined here.
#pragma once

#include <cmath>

#include "detail/exp_cis.hpp"

namespace zeplo {

struct Complex {
    float re;
    float im;
};

static_assert(sizeof(Complex) == 2 * sizeof(float), "Complex must be two packed floats");

inline Complex cmul(Complex a, Complex b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

inline Complex cadd(Complex a, Complex b) { return {a.re + b.re, a.im + b.im}; }

inline Complex csub(Complex a, Complex b) { return {a.re - b.re, a.im - b.im}; }

// Scaled quotient a/b: the larger part of the divisor is divided into the
// smaller one so that no intermediate square of the divisor is formed.
inline Complex cdiv(Complex a, Complex b) {
    const double ar = a.re, ai = a.im, g = b.re, h = b.im;
    if (std::fabs(h) <= std::fabs(g)) {
        const double r = h / g;
        const double s = g + h * r;
        return {static_cast<float>((ar + ai * r) / s), static_cast<float>((ai - ar * r) / s)};
    }
    const double r = g / h;
    const double s = h + g * r;
    return {static_cast<float>((ar * r + ai) / s), static_cast<float>((ai * r - ar) / s)};
}

// Principal square root: the real part is never negative, and on the negative
// real axis (imaginary part +0 or -0) the root lies on the positive imaginary axis.
inline Complex csqrt(Complex z) {
    const double x = z.re, y = z.im;
    const double m = std::sqrt(x * x + y * y);
    if (m == 0.0) return {0.0f, 0.0f};
    if (x > 0.0) {
        const double t = std::sqrt((m + x) / 2.0);
        return {static_cast<float>(t), static_cast<float>(y / (2.0 * t))};
    }
    double t = std::sqrt((m - x) / 2.0);
    if (y < 0.0) t = -t;
    return {static_cast<float>(y / (2.0 * t)), static_cast<float>(t)};
}

// exp(z): the C library's double exp of the real part times its cos and sin of
// the imaginary part, each product rounded to float. detail/exp_cis.hpp gives
// the same floats without the library calls wherever it can decide them.
inline Complex cexp_library(Complex z) {
    const double e = std::exp(static_cast<double>(z.re));
    const double y = z.im;
    return {static_cast<float>(e * std::cos(y)), static_cast<float>(e * std::sin(y))};
}

inline Complex cexp(Complex z) {
    Complex r;
    if (detail::quick_exp_cis(z.re, z.im, r.re, r.im)) return r;
    return cexp_library(z);
}

// cexp(z) and cexp(-z) at once (-z negating both parts).
inline void cexp_pair(Complex z, Complex& ez, Complex& emz) {
    if (detail::quick_exp_cis_pair(z.re, z.im, ez.re, ez.im, emz.re, emz.im)) return;
    ez = cexp_library(z);
    emz = cexp_library(Complex{-z.re, -z.im});
}

// cdiv(a, {2, 0}) in float arithmetic: the quotient's scaled form with r = +0
// is ((re + im*0) / 2, (im - re*0) / 2), each part exact in double before its
// one rounding; in float the sums are the same (signed zeros and NaNs
// included) and the halving rounds the same exact value.
inline Complex chalf(Complex a) { return {(a.re + a.im * 0.0f) / 2.0f, (a.im - a.re * 0.0f) / 2.0f}; }

inline float cabs(Complex z) {
    const double x = z.re, y = z.im;
    return static_cast<float>(std::sqrt(x * x + y * y));
}

// Both parts are finite numbers.
inline bool is_finite(Complex z) { return std::isfinite(z.re) && std::isfinite(z.im); }

inline float rpow(float x, float y) {
    return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

}  // namespace zeplo
