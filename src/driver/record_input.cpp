// The acceleration record: prompt, file name, pairs of time and value to the end
// of the file, the sample count and time step, and the transform length.
#include <cmath>
#include <string_view>

#include "records.hpp"
#include "stages.hpp"
#include "transform.hpp"

namespace zeplo {
namespace {

constexpr int kAccelerationUnit = 11;

// A record the later stages cannot use is refused: fewer than two samples, a
// time step for which the duration nf*dt or the frequency step 2 pi/(nf*dt) is
// not a positive finite single-precision number, or a value beyond single
// precision.
void refuse_unusable_record(const RunState& s, std::string_view name) {
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    const int len = static_cast<int>(name.size());
    if (s.nt < 2)
        rec::refuse("acceleration file '%.*s' holds %d complete pair%s of time and value; at least two are needed "
                    "for the time step",
                    len, name.data(), s.nt, s.nt == 1 ? "" : "s");
    const FrequencyGrid g = frequency_grid(s.nf, s.dt);
    if (!(s.dt > 0.0f) || !std::isfinite(g.dur) || !std::isfinite(g.dom) || !(g.dom > 0.0f))
        rec::refuse("acceleration file '%.*s': the time step (second time minus first time) is %g; it must be a "
                    "positive number, neither so small nor so large that the frequency grid is not finite",
                    len, name.data(), static_cast<double>(s.dt));
    for (int k = 1; k <= s.nt; ++k)
        if (!std::isfinite(s.xr1[k - 1]))
            rec::refuse("acceleration file '%.*s': the value of sample %d is too large for single precision", len,
                        name.data(), k);
}

}  // namespace

void read_record(RunState& s) {
    rec::write_list(rec::kStdoutUnit);
    rec::write_fmt(rec::kStdoutUnit, "(/1X,'Enter Acceleration Data (H1,H2,V1)')");
    rec::read_fmt(rec::kStdinUnit, "(A20)", rec::CharVar{s.infile1, kRecordNameLength});

    const std::string_view name(s.infile1, kRecordNameLength);
    rec::open_unit(kAccelerationUnit, name, "old");
    // Every pair is counted to the end of the file; pairs past the capacity are
    // read into scratch values, so that the count is true and nothing is stored
    // past the arrays.
    int i = 1;
    float time_past = 0.0f;
    float value_past = 0.0f;
    for (;;) {
        float& t = i <= kMaxSamples ? s.time[i - 1] : time_past;
        float& x = i <= kMaxSamples ? s.xr1[i - 1] : value_past;
        if (!rec::read_list_or_end(kAccelerationUnit, t, x)) break;
        ++i;
        if (i == kSamplesForWorkers + 1 && s.start_workers && !s.workers) s.workers = s.start_workers();
    }
    rec::close_unit(kAccelerationUnit);
    s.nt = i - 1;
    s.dt = s.time[1] - s.time[0];
    rec::write_list(rec::kStdoutUnit, "NT and DT=", s.nt, s.dt);

    const auto length = transform_length(s.nt, kLongestExponent);
    if (!length) {
        // Too long to run: a refusal, not a normal end.
        rec::write_list(rec::kStdoutUnit, " NT>2**15 !!!!!");
        rec::end_run(1);
    }
    s.nf = length->nf;
    s.if1 = length->if1;
    refuse_unusable_record(s, name);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " IF1,NF=", s.if1, s.nf);
    for (int k = 1; k <= s.nt; ++k) s.fx1[k - 1] = Complex{s.xr1[k - 1], 0.0f};
    for (int k = s.nt + 1; k <= s.nf; ++k) s.fx1[k - 1] = Complex{0.0f, 0.0f};
}

}  // namespace zeplo
