// Completion of a one-sided spectrum before the inverse transform.
#pragma once

#include "complex_ops.hpp"

namespace zeplo {

// Lines nf/2+2 .. nf (the negative frequencies) become the complex conjugates
// of lines nf/2 .. 2, so that the inverse transform of the spectrum of a real
// record is real again. Lines 1 and nf/2+1 keep their values. fx1[k-1] is line k.
inline void complete_spectrum(Complex fx1[], int nf) {
    for (int k = 2; k <= nf / 2; ++k) fx1[nf + 2 - k - 1] = Complex{fx1[k - 1].re, -fx1[k - 1].im};
}

}  // namespace zeplo
