// The digits of a number as the readers collect them.
#pragma once

#include "numeric_fields.hpp"

namespace zeplo::rec {

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

}  // namespace zeplo::rec
