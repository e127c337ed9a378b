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

}  // namespace zeplo::fields
