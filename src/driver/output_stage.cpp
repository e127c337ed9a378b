// The last stage: the spectrum file, the time history synthesised from the
// shaped spectrum, the summary and the output wave file.
#include <cmath>

#include "records.hpp"
#include "table_statements.hpp"
#include "stages.hpp"
#include "synthesis.hpp"

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
        if (!is_finite(line) || !std::isfinite(cabs(line)))
            rec::refuse("the processed spectrum at %g Hz is not a finite single-precision number; amp_dat and zeplo_dat "
                        "are not written",
                        static_cast<double>(line_hz(k, s.grid.dom)));
    }
}

void check_wave(const RunState& s) {
    for (int k = 1; k <= s.nf; ++k)
        if (!std::isfinite(s.xr1[k - 1]))
            rec::refuse("the output wave at sample %d is not a finite single-precision number; zeplo_dat is not written",
                        k);
}

void write_spectrum_file(RunState& s) {
    check_spectrum(s);
    // Lines 2 .. ndata, one row each.
    rec::write_fmt_rows(
        kSpectrumUnit, "(F8.4,6E12.4)", s.ndata - 1, 4,
        [&s](int row, rec::OutValue* v) {
            const Complex line = s.fx1[row + 1];
            v[0] = rec::out_value(line_hz(row + 2, s.grid.dom));
            v[1] = rec::out_value(line.re);
            v[2] = rec::out_value(line.im);
            v[3] = rec::out_value(cabs(line));
        },
        s.workers, s.table_scratch_span(), [] { rec::open_unit(kSpectrumUnit, "amp_dat", "unknown"); });
    rec::close_unit(kSpectrumUnit);
}

}  // namespace

void output_stage(RunState& s) {
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "The Fourier Spectrum data are stored in \"amp_dat\"");
    write_spectrum_file(s);

    complete_spectrum(s.spectrum());
    const Extremes e = synthesize(s.spectrum(), s.grid.dur, {s.xr1, static_cast<std::size_t>(s.nf)}, s.scratch());
    for (int k = 1; k <= s.nf; ++k) s.time[k - 1] = static_cast<float>(k - 1) * s.dt;
    s.amax = e.max;
    s.amin = e.min;
    check_wave(s);

    const float dur = s.grid.dur;
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " Nmber of data points    =", s.nf);
    rec::write_list(rec::kStdoutUnit, " Duration and Delta Time =", dur, s.dt);
    rec::write_list(rec::kStdoutUnit, " Initial and final times =", 0.0f, dur - s.dt);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " Min and Max amplitudes  =", s.amin, s.amax);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "Output data are stored in \"zeplo_dat\"");
    rec::write_list(rec::kStdoutUnit);

    rec::write_fmt_rows(
        kWaveUnit, "(F8.3,3E12.4)", s.nt, 2,
        [&s](int row, rec::OutValue* v) {
            v[0] = rec::out_value(s.time[row]);
            v[1] = rec::out_value(s.xr1[row]);
        },
        s.workers, s.table_scratch_span(), [] { rec::open_unit(kWaveUnit, "zeplo_dat", "unknown"); });
    rec::close_unit(kWaveUnit);
}

}  // namespace zeplo
