// From the shaped one-sided spectrum back to a time history.
#pragma once

#include <span>

#include "complex_ops.hpp"

namespace zeplo {

// Lines nf/2+2 .. nf (the negative frequencies, nf = the spectrum's size)
// become the complex conjugates of lines nf/2 .. 2, so that the inverse
// transform of the spectrum of a real record is real again. Lines 1 and
// nf/2+1 keep their values. Element k-1 is line k.
void complete_spectrum(std::span<Complex> spectrum);

struct Extremes {
    float min;  // from 0.0: never above zero
    float max;  // from 0.0: never below zero
};

// The inverse transform of the completed spectrum, in place, and the time
// history it gives: wave[k] = real part / dur for every sample of the
// transform (wave.size() == spectrum.size()), dividing out the forward
// spectrum's scaling by dt and the transform pair's factor nf. Returns the
// smallest and largest sample, both taken from 0.0.
Extremes synthesize(std::span<Complex> spectrum, float dur, std::span<float> wave);
// The same with the transform's twiddles in the caller's scratch of at least
// nf elements, so that nothing is allocated.
Extremes synthesize(std::span<Complex> spectrum, float dur, std::span<float> wave, std::span<Complex> scratch);

}  // namespace zeplo
