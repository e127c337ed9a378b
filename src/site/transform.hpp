// The record's transform: its length and the forward spectrum.
#pragma once

#include <optional>
#include <span>

#include "complex_ops.hpp"

namespace zeplo {

struct TransformLength {
    int nf;   // 2^if1
    int if1;
};

// The smallest power of two from 4 up that holds nt samples, with an exponent
// of at most max_exponent; none when even that is too short.
std::optional<TransformLength> transform_length(int nt, int max_exponent);

// The spectrum of the samples in `data` (nf of them, nf a power of two, the
// record followed by zeros), in place, scaled by dt so that it approximates the
// continuous Fourier transform. Element k-1 is line k.
void forward_spectrum(std::span<Complex> data, float dt);
// The same with the transform's twiddles in the caller's scratch of at least
// nf elements, so that nothing is allocated.
void forward_spectrum(std::span<Complex> data, float dt, std::span<Complex> scratch);

}  // namespace zeplo
