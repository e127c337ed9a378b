// Overflow-free evaluation of one frequency line of the SH transfer function.
#pragma once

#include "complex_ops.hpp"

namespace zeplo::detail {

// Evaluates both amplification factors of one line, at angular frequency om
// and frequency freq (Hz), in extended precision with the exponential growth
// of the wave amplitudes carried as a separate logarithmic scale, so that no
// intermediate overflows or underflows whatever the thicknesses, damping and
// frequency. The two results are the true values rounded once to float
// (zero where they underflow). The arguments are those of sbshml; tsin is the
// sine of the incidence angle and sf the surface factor.
void sh_column_scaled(float om, float freq, const float dns[], const float vs[], const float qs[],
                      const float thk[], float pqf, int nl, float tsin, float sf, Complex& col1,
                      Complex& col2);

}  // namespace zeplo::detail
