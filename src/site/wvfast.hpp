// In-place radix-2 complex FFT of single-precision data.
#pragma once

#include <span>

#include "complex_ops.hpp"

namespace zeplo {

// Transforms a[0..n-1] (element 1 of the series is a[0]) in place:
//   X(q) = sum_p x(p) * exp(i * ind * 2*pi * p * q / n),  q = 0..n-1,
// with ind = -1 (forward) or +1 (inverse) and no division by n in either
// direction. n must be a power of two, 1 or more. mom is the declared capacity
// of the array; it takes no part in the computation.
void wvfast(int n, Complex a[], int mom, int ind);

// The same transform with the twiddle factors kept in the caller's scratch of
// at least n elements, so that nothing is allocated.
void wvfast(int n, Complex a[], int ind, std::span<Complex> scratch);

}  // namespace zeplo
