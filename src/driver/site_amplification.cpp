// The soil column's amplification: the profile, the transfer function, the
// choice of column, the amplification table S_amp1 and the amplified spectrum.
#include <cmath>
#include <thread>

#include "amplification.hpp"
#include "records.hpp"
#include "table_statements.hpp"
#include "soil_profile.hpp"
#include "soilin.hpp"
#include "stages.hpp"

namespace zeplo {
namespace {

constexpr int kTableUnit = 9;

// A profile the transfer function cannot evaluate (it would divide by zero on
// every line, or carries a value that is not a number) is refused before any
// output file is opened.
void check_profile(const RunState& s) {
    const auto problem = profile_problem(s.column());
    if (!problem) return;
    const char* file = rec::unit_name(kSoilUnit);
    if (problem->layer == 0) rec::refuse("soil file '%s': %s", file, problem->text.c_str());
    rec::refuse("soil file '%s', layer %d: %s", file, problem->layer, problem->text.c_str());
}

// Extreme but readable profiles (a damping exponent of thousands, quality
// factors near zero) can take the amplification beyond single precision: such
// a column is refused rather than written as infinities.
void check_amplification(const RunState& s) {
    for (int k = 1; k <= s.grid.nom; ++k) {
        for (const Complex a : {s.amp1[k - 1], s.amp2[k - 1]}) {
            if (!is_finite(a) || !std::isfinite(cabs(a)))
                rec::refuse("soil file '%s': the amplification at %g Hz is not a finite single-precision number; check "
                            "the damping exponent and the quality factors",
                            rec::unit_name(kSoilUnit), static_cast<double>(line_hz(k, s.grid.dom)));
        }
    }
}

// The transfer function and the amplification take one thread per core, and
// with kept workers four blocks per thread, taken as the threads come free;
// the values do not depend on the count.
int site_threads(const RunState& s) {
    if (s.workers && s.workers->count() > 0) return 4 * (s.workers->count() + 1);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace

void site_amplification(RunState& s) {
    s.ndata = s.grid.nom;
    soilin(s.dns, s.vp, s.qp, s.vs, s.qs, s.thk, s.pqf, s.nl, kMaxLayers, s.theta, s.nsf);
    check_profile(s);
    const auto lines = static_cast<std::size_t>(s.grid.nom);
    column_amplification(s.column(), s.grid.dom, {s.amp1, lines}, {s.amp2, lines}, site_threads(s), s.workers);
    check_amplification(s);

    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "S_amp: Amplification Factor for S wave");
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, "WAVE * AMP(i):");
    rec::write_list(rec::kStdoutUnit, "  Enter 1 for AMP with respect to INPUT WAVE:");
    rec::write_list(rec::kStdoutUnit, "  Entwe 2 for AMP with respect to BEDROCK WAVE:");
    rec::read_list(rec::kStdinUnit, s.is);
    if (s.is != 1 && s.is != 2)
        rec::refuse("the amplification choice is %d; answer 1 (input wave) or 2 (bedrock wave)", s.is);

    rec::write_fmt_rows(
        kTableUnit, "(F8.4,6E12.4)", s.ndata, 7,
        [&s](int row, rec::OutValue* v) {
            const Complex a1 = s.amp1[row];
            const Complex a2 = s.amp2[row];
            const float values[7] = {line_hz(row + 1, s.grid.dom), a1.re, a1.im, cabs(a1), a2.re, a2.im, cabs(a2)};
            for (int j = 0; j < 7; ++j) v[j] = rec::out_value(values[j]);
        },
        s.workers, s.table_scratch_span(), [] { rec::open_unit(kTableUnit, "S_amp1", "unknown"); });
    rec::close_unit(kTableUnit);
    const Complex* chosen = s.is == 1 ? s.amp1 : s.amp2;
    amplify(s.lines(), {chosen, static_cast<std::size_t>(s.ndata)}, s.column(), s.grid.dom, site_threads(s), s.workers);
}

}  // namespace zeplo
