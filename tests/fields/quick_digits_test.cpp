// The digits of Fw.d and Ew.d are the C library's ("%.*f" and "%.*E": correctly
// rounded, ties to even) whether the field takes them from one scaled product
// or from snprintf: exact ties, values next to a tie, carries into the next
// power of ten, powers of ten beyond the exact ones, and wide random samples of
// single and double precision values in many widths.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "numeric_fields.hpp"

namespace zeplo::fields {
namespace {

std::string fixed(double v, int w, int d) {
    std::string s(static_cast<std::size_t>(w), '?');
    put_fixed(s.data(), v, w, d);
    return s;
}

std::string expo(double v, int w, int d) {
    std::string s(static_cast<std::size_t>(w), '?');
    put_exp(s.data(), v, w, d);
    return s;
}

// The library's digits of |v| for Fw.d (with the point even for d = 0): the field, when it is not asterisks,
// ends with them.
void expect_fixed_digits(double v, int w, int d) {
    char lib[400];
    const int n = std::snprintf(lib, sizeof lib, "%#.*f", d, std::fabs(v));
    const std::string got = fixed(v, w, d);
    if (got.find('*') != std::string::npos) {
        EXPECT_GE(n + (v < 0 ? 1 : 0) - (lib[0] == '0' ? 1 : 0), w) << std::hexfloat << v << " F" << w << "." << d;
        return;
    }
    const std::string digits = lib[0] == '0' && got.size() == static_cast<std::size_t>(n - 1) ? lib + 1 : lib;
    ASSERT_GE(got.size(), digits.size());
    EXPECT_EQ(got.substr(got.size() - digits.size()), digits) << std::hexfloat << v << " F" << w << "." << d;
}

// The library's mantissa digits and exponent of |v| for Ew.d (v != 0): the
// field holds the same digits after its point and the exponent one higher.
void expect_exp_digits(double v, int d) {
    char lib[64];
    std::snprintf(lib, sizeof lib, "%.*E", d - 1, std::fabs(v));
    std::string digits(1, lib[0]);
    const char* e = std::strchr(lib, 'E');
    for (const char* p = lib + 2; p < e; ++p) digits += *p;
    const int exponent = std::atoi(e + 1) + 1;
    const int w = d + 8;
    const std::string got = expo(v, w, d);
    const std::size_t point = got.find('.');
    ASSERT_NE(point, std::string::npos) << got;
    EXPECT_EQ(got.substr(point + 1, static_cast<std::size_t>(d)), digits) << std::hexfloat << v << " E" << w << "." << d;
    EXPECT_EQ(std::atoi(got.c_str() + point + 1 + d + (std::abs(exponent) < 100 ? 1 : 0)), exponent)
        << std::hexfloat << v << " " << got;
}

TEST(QuickDigits, ExactTiesGoToTheEvenDigit) {
    EXPECT_EQ(fixed(0.03125, 8, 4), "  0.0312");   // 312.5
    EXPECT_EQ(fixed(0.09375, 8, 4), "  0.0938");   // 937.5
    EXPECT_EQ(fixed(-0.03125, 8, 4), " -0.0312");
    EXPECT_EQ(fixed(2.0625, 8, 3), "   2.062");    // 2062.5
    EXPECT_EQ(fixed(2.1875, 8, 3), "   2.188");    // 2187.5
    EXPECT_EQ(fixed(0.5, 3, 0), " 0.");
    EXPECT_EQ(fixed(1.5, 3, 0), " 2.");
    EXPECT_EQ(fixed(2.5, 3, 0), " 2.");
    EXPECT_EQ(expo(1.03125, 12, 4), "  0.1031E+01");  // 1031.25: not a tie, rounds down
    EXPECT_EQ(expo(1.0625, 12, 4), "  0.1062E+01");   // 1062.5
    EXPECT_EQ(expo(1.1875, 12, 4), "  0.1188E+01");   // 1187.5
    EXPECT_EQ(expo(106.25, 12, 4), "  0.1062E+03");
    for (double v : {0.03125, 0.09375, 2.0625, 1.0625, 1.1875, 106.25, 0.0010625, 12345.5, 99995.0})
        for (double s : {1.0, -1.0}) {
            expect_fixed_digits(s * v, 12, 4);
            expect_fixed_digits(s * v, 12, 3);
            expect_exp_digits(s * v, 4);
        }
}

TEST(QuickDigits, NextToTiesAndCarries) {
    for (double t : {0.03125, 1.0625, 0.5, 99.995, 9.9995, 999.95, 0.99995}) {
        for (double v : {std::nextafter(t, 0.0), t, std::nextafter(t, 2 * t)}) {
            expect_fixed_digits(v, 10, 4);
            expect_fixed_digits(v, 10, 3);
            expect_exp_digits(v, 4);
            expect_exp_digits(v, 3);
        }
        const float f = static_cast<float>(t);
        for (float v : {std::nextafter(f, 0.0f), f, std::nextafter(f, 2 * f)}) {
            expect_fixed_digits(v, 10, 4);
            expect_exp_digits(v, 4);
        }
    }
    EXPECT_EQ(expo(9.99996f, 12, 4), "  0.1000E+02");  // the carry reaches the exponent
    EXPECT_EQ(expo(999.96f, 12, 4), "  0.1000E+04");
    EXPECT_EQ(fixed(9.99996f, 8, 4), " 10.0000");
}

TEST(QuickDigits, PowersOfTenBeyondTheExactOnes) {
    // Scales of 10^13 and more (small values) and divisions (large ones) are
    // rounded products: their digits come from the margin test or snprintf.
    for (int e = -45; e <= 38; ++e) {
        for (double m : {1.0, 1.2345, 5.0, 9.9999}) {
            const float f = static_cast<float>(m * std::pow(10.0, e));
            if (f == 0.0f || std::isinf(f)) continue;
            expect_exp_digits(f, 4);
            expect_exp_digits(m * std::pow(10.0, e), 4);
            expect_exp_digits(m * std::pow(10.0, e), 9);
        }
    }
    for (double v : {1e300, 1.5e-300, 4.9e-324, 2.2250738585072014e-308}) expect_exp_digits(v, 4);
}

TEST(QuickDigits, RandomValuesInManyWidths) {
    std::mt19937_64 g(11);
    for (int i = 0; i < 300000; ++i) {
        const auto bits = g();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        const float f = static_cast<float>(v);
        const double scaled = std::ldexp(static_cast<double>(g() % 1000000) + 0.5, static_cast<int>(g() % 60) - 40);
        const int d = static_cast<int>(g() % 10);
        for (double x : {static_cast<double>(f), scaled, static_cast<double>(static_cast<float>(scaled))}) {
            if (!std::isfinite(x)) continue;
            expect_fixed_digits(x, 24, d);
            if (x != 0) expect_exp_digits(x, d + 1);
        }
    }
}

}  // namespace
}  // namespace zeplo::fields
