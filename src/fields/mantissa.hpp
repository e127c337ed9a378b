// The digits of a number as the readers collect them.
#pragma once

namespace zeplo::fields {

// Digits kept of a number's mantissa; further digits only scale it.
inline constexpr int kMaxMantissaDigits = 40;
// Largest exponent a number may carry.
inline constexpr long kMaxExponent = 99999999;

// Converts the kept digits (no sign, no leading zeros, 0..kMaxMantissaDigits
// of them) with the decimal exponent `exp` to the nearest double; `negative`
// gives the sign. An empty digit string is zero.
double digits_to_double(const char* digits, int count, long exp, bool negative);

// The value of kept digits with a decimal exponent, as digits_to_double gives
// it, by a quicker way where that gives the same double.
double decimal_value(const char* digits, int count, long exp, bool negative);

// Collects the mantissa digits of a number: leading zeros are dropped, at most
// kMaxMantissaDigits are kept and the rest only raise the exponent.
struct Mantissa {
    char digits[kMaxMantissaDigits];
    int count = 0;
    long exp = 0;

    void add(int c) {
        if (count < kMaxMantissaDigits)
            digits[count++] = static_cast<char>(c);
        else
            ++exp;
    }
    void add_fraction(int c) {
        if (count < kMaxMantissaDigits) {
            digits[count++] = static_cast<char>(c);
            --exp;
        }
    }
    // Trailing zeros move into the exponent.
    void trim() {
        while (count > 0 && digits[count - 1] == '0') {
            --count;
            ++exp;
        }
    }
};

}  // namespace zeplo::fields
