// The last stage: the spectrum file, the time history synthesised from the
// shaped spectrum, the summary and the output wave file.
#include <cmath>

#include "complex_ops.hpp"
#include "records.hpp"
#include "hermitian_completion.hpp"
#include "stages.hpp"
#include "wvfast.hpp"

namespace zeplo {
namespace {

constexpr int kSpectrumUnit = 10;
constexpr int kWaveUnit = 11;

// A record of values near the top of the single-precision range, amplified,
// can leave it. Such a result is refused before its file is opened, rather
// than written as infinities.
void check_spectrum(const RunState& s) {
    for (int k = 2; k <= s.ndata; ++k) {
        const Complex line = s.fx1[k - 1];
        if (!std::isfinite(line.re) || !std::isfinite(line.im) || !std::isfinite(cabs(line)))
            rec::refuse("the processed spectrum at %g Hz is not a finite single-precision number; amp_dat and zeplo_dat "
                        "are not written",
                        static_cast<double>(static_cast<float>(k - 1) * s.dom / kTwoPi));
    }
}

void check_wave(const RunState& s) {
    for (int k = 1; k <= s.nf; ++k)
        if (!std::isfinite(s.xr1[k - 1]))
            rec::refuse("the output wave at sample %d is not a finite single-precision number; zeplo_dat is not written",
                        k);
}

void write_spectrum_file(const RunState& s) {
    check_spectrum(s);
    rec::open_unit(kSpectrumUnit, "amp_dat", "unknown");
    for (int k = 2; k <= s.ndata; ++k) {
        const float omega = static_cast<float>(k - 1) * s.dom;
        const float freq = omega / kTwoPi;
        const Complex line = s.fx1[k - 1];
        rec::write_fmt(kSpectrumUnit, "(F8.4,6E12.4)", freq, line.re, line.im, cabs(line));
    }
    rec::close_unit(kSpectrumUnit);
}

}  // namespace

void output_stage(RunState& s) {
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "The Fourier Spectrum data are stored in \"amp_dat\"");
    write_spectrum_file(s);

    complete_spectrum(s.fx1, s.nf);
    wvfast(s.nf, s.fx1, kMaxSamples, 1);
    // Dividing by dur undoes the scaling of the forward spectrum by dt and the
    // transform pair's factor nf.
    float xmax = 0.0f;
    float xmin = 0.0f;
    for (int k = 1; k <= s.nf; ++k) {
        s.time[k - 1] = static_cast<float>(k - 1) * s.dt;
        s.xr1[k - 1] = s.fx1[k - 1].re / s.dur;
        if (s.xr1[k - 1] > xmax) xmax = s.xr1[k - 1];
        if (s.xr1[k - 1] < xmin) xmin = s.xr1[k - 1];
    }
    s.amax = xmax;
    s.amin = xmin;
    check_wave(s);

    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " Nmber of data points    =", s.nf);
    rec::write_list(rec::kStdoutUnit, " Duration and Delta Time =", s.dur, s.dt);
    rec::write_list(rec::kStdoutUnit, " Initial and final times =", 0.0f, s.dur - s.dt);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " Min and Max amplitudes  =", s.amin, s.amax);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "Output data are stored in \"zeplo_dat\"");
    rec::write_list(rec::kStdoutUnit);

    rec::open_unit(kWaveUnit, "zeplo_dat", "unknown");
    for (int k = 1; k <= s.nt; ++k) rec::write_fmt(kWaveUnit, "(F8.3,3E12.4)", s.time[k - 1], s.xr1[k - 1]);
    rec::close_unit(kWaveUnit);
}

}  // namespace zeplo
