// A double-precision radix-2 FFT for the spectra: the transform lengths here
// are chosen by the caller (padded records), always powers of two.
#pragma once

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace zeplo::spectra {

// The smallest power of two that is at least n (1 for n <= 1).
std::size_t next_power_of_two(std::size_t n);

// Precomputed twiddles and bit reversal for one length; a plan is read-only
// once made, so one plan may serve several threads at once.
class FftPlan {
public:
    // n must be a power of two, 1 or more; throws std::invalid_argument otherwise.
    explicit FftPlan(std::size_t n);
    std::size_t size() const { return n_; }

    // In place: X(q) = sum_p x(p) exp(sign * 2 pi i p q / n), sign -1 forward,
    // +1 inverse; neither direction divides by n.
    void forward(std::span<std::complex<double>> a) const { run(a, false); }
    void inverse(std::span<std::complex<double>> a) const { run(a, true); }

private:
    void run(std::span<std::complex<double>> a, bool inverse) const;
    std::size_t n_;
    std::vector<std::complex<double>> twiddle_;  // per stage, see the constructor
    std::vector<std::size_t> reversed_;          // bit-reversed index
};

// The one-sided spectrum of real samples zero-padded to length n (a power of
// two at least x.size()): lines 0..n/2 of the forward transform.
std::vector<std::complex<double>> real_spectrum(std::span<const double> x, const FftPlan& plan);

}  // namespace zeplo::spectra
