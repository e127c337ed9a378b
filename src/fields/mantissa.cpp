#include "mantissa.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zeplo::fields {

double digits_to_double(const char* digits, int count, long exp, bool negative) {
    if (count == 0) return negative ? -0.0 : 0.0;
    char text[kMaxMantissaDigits + 32];
    int n = 0;
    if (negative) text[n++] = '-';
    std::memcpy(text + n, digits, static_cast<std::size_t>(count));
    n += count;
    if (exp != 0) n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "e%ld", exp);
    text[n] = '\0';
    return std::strtod(text, nullptr);
}

// The value of kept mantissa digits with a decimal exponent, as
// digits_to_double gives it (the nearest double): directly when at most 15
// digits (an integer exact in double) meet a power of ten of at most 10^22
// (exact in double), where one correctly rounded product or quotient is the
// nearest double; through digits_to_double otherwise.
double decimal_value(const char* digits, int count, long exp, bool negative) {
    constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (count < 1 || count > 15 || exp < -22 || exp > 22) return digits_to_double(digits, count, exp, negative);
    long long n = 0;
    for (int k = 0; k < count; ++k) n = n * 10 + (digits[k] - '0');
    const double whole = static_cast<double>(n);
    const double v = exp >= 0 ? whole * kPow10[exp] : whole / kPow10[-exp];
    return negative ? -v : v;
}

}  // namespace zeplo::fields
