// Fourier amplitude spectra of records, their Konno-Ohmachi smoothing and
// ratios, and velocity by integration in the frequency domain. Pure functions
// in double precision; no I/O, no state; safe to run concurrently.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace zeplo::spectra {

// The transform length of a record of n samples: the power of two at least 2n
// (zero-padded, as DEEPSOIL does).
std::size_t padded_length(std::size_t samples);

struct AmplitudeSpectrum {
    double df = 0.0;                // line spacing, Hz
    std::vector<double> amplitude;  // dt |DFT| at lines 1 .. length/2 (frequency (i + 1) df), unit x s
    double frequency(std::size_t i) const { return df * static_cast<double>(i + 1); }
};

// dt |X(f)| of the record zero-padded to `length` (0: padded_length(x.size());
// otherwise a power of two at least x.size()), from the first line above zero
// to the Nyquist frequency. Throws std::invalid_argument for an empty record,
// a bad dt or length.
AmplitudeSpectrum fourier_amplitude(std::span<const double> x, double dt, std::size_t length = 0);

// Konno and Ohmachi's smoothing: at a centre frequency fc,
//   S(fc) = sum_j W(f_j / fc) A_j / sum_j W(f_j / fc),
//   W(r) = [sin(b log10 r) / (b log10 r)]^4,  W(1) = 1,
// over the lines inside the window's main lobe, |b log10(f/fc)| < pi (the
// side lobes beyond hold 0.3 % of the weight). b = 40 is the usual bandwidth.
//
// At chosen centres (Hz, above zero), of amplitudes at ascending frequencies
// above zero: the sum taken line by line.
std::vector<double> konno_ohmachi(std::span<const double> frequencies, std::span<const double> amplitudes,
                                  std::span<const double> centres, double b = 40.0);
// At every line of an AmplitudeSpectrum's grid (line i at (i + 1) df). Where a
// window holds more than 1024 lines the sum is taken over about 256 blocks of
// consecutive lines, the weight linear within each block (relative error a few
// parts in a million), so that the cost stays proportional to the number of
// lines.
std::vector<double> konno_ohmachi_lines(std::span<const double> amplitudes, double b = 40.0);

// numerator / denominator line by line; NaN where the denominator is not above zero.
std::vector<double> spectral_ratio(std::span<const double> numerator, std::span<const double> denominator);

// The velocity of an acceleration record by integration in the frequency
// domain, V = A / (i w) with the zero-frequency line removed, the record
// zero-padded to padded_length(n): the n samples of the record's span, in the
// record's unit x s.
std::vector<double> velocity(std::span<const double> acc, double dt);

// The largest |x|; 0 for no samples.
double peak_abs(std::span<const double> x);

}  // namespace zeplo::spectra
