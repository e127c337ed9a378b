// Response spectra of a ground-acceleration record: the pseudo-spectral
// acceleration PSA(T) = w^2 max|u(t)| of linear oscillators of natural period
// T = 2 pi / w and damping ratio z, at rest before the record starts,
//   u'' + 2 z w u' + w^2 u = -a(t).
// The maximum is taken over the record and the free vibration after it (the
// ground at rest once the record ends).
//
// Pure functions on caller-owned data, in double precision; no I/O, no state.
// They may run concurrently; `threads` above one splits the periods over
// threads of their own, with the same results as one thread.
#pragma once

#include <span>
#include <string_view>
#include <optional>
#include <vector>

namespace zeplo::spectra {

enum class Method {
    // Nigam and Jennings' recurrence, exact for an input that is linear
    // between samples. For T < 10 dt the response is followed on a sub-grid
    // of step dt/k, k = ceil(10 dt / T), the input linearly interpolated, so
    // that a peak between samples is not missed.
    nigam_jennings,
    // The record's spectrum times the oscillator's transfer function, back in
    // time by the inverse FFT. The record is zero-padded to a power of two at
    // least twice its length plus T / z (the time the free vibration takes to
    // decay to 0.2 %, 20 periods at 5 %), so that the response of its end does
    // not wrap round onto its start. For T < 10 dt
    // the spectrum is padded with zeros above the Nyquist frequency to a
    // sub-grid of step dt/k', k' the power of two at least k (below). Needs
    // at least kFourierLeastDamping.
    fourier,
};

inline constexpr double kFourierLeastDamping = 0.001;

std::optional<Method> method_from_name(std::string_view name);  // "nigam-jennings", "fourier"
std::string_view method_name(Method method);

// 100 periods log-spaced from 0.01 s to 10 s (decades exact), with `extra`
// merged in: ascending, without repeats (periods within 1e-9 of each other,
// relatively, are one).
std::vector<double> default_periods(std::span<const double> extra = {});

// The sub-grid factor k for period T and time step dt: 1 for T >= 10 dt.
int subdivisions(double period, double dt);

// One step h of the recurrence for an oscillator of circular frequency w and
// damping ratio z, the input linear from a0 to a1 over the step:
//   u1 = uu u0 + uv v0 + ua0 a0 + ua1 a1
//   v1 = vu u0 + vv v0 + va0 a0 + va1 a1
// Computed without the cancellation of the textbook closed forms when w h is
// small (long periods, fine sampling).
struct Step {
    double uu, uv, ua0, ua1;
    double vu, vv, va0, va1;
};
Step nigam_jennings_step(double omega, double damping, double h);

// The relative displacement u at the samples of `acc` (time step dt), by the
// recurrence, starting from u0 and v0 at the first sample.
std::vector<double> oscillator_displacement(std::span<const double> acc, double dt, double period, double damping,
                                            double u0 = 0.0, double v0 = 0.0);

struct SpectrumRequest {
    std::vector<double> periods;   // s, each above zero
    std::vector<double> dampings;  // ratios, 0 <= z < 1 (at least kFourierLeastDamping for the Fourier method)
    Method method = Method::nigam_jennings;
    int threads = 1;
};

struct ResponseSpectrum {
    std::vector<double> periods;           // as requested
    std::vector<double> dampings;          // as requested
    std::vector<std::vector<double>> psa;  // psa[d][p], in the unit of the record
};

// Throws std::invalid_argument for an empty record, a time step that is not
// positive and finite, a non-finite sample, or a period or damping outside
// its range.
ResponseSpectrum response_spectrum(std::span<const double> acc, double dt, const SpectrumRequest& request);

// One value, by the recurrence.
double psa_nigam_jennings(std::span<const double> acc, double dt, double period, double damping);

}  // namespace zeplo::spectra
