#include "site_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "amplification.hpp"
#include "field_list.hpp"
#include "fixed_format_writer.hpp"
#include "transform.hpp"

namespace zeplo {
namespace {

std::string hz_text(int k, float dom) {
    char t[32];
    std::snprintf(t, sizeof t, "%g", static_cast<double>(line_hz(k, dom)));
    return t;
}

void check_record(std::span<const float> values, float dt, int nf) {
    const int nt = static_cast<int>(values.size());
    if (nt < 2)
        throw RunRefusal(RunRefusal::Input::record,
                         "holds " + std::to_string(nt) + " sample" + (nt == 1 ? "" : "s") +
                             "; at least two are needed for the time step");
    const FrequencyGrid g = frequency_grid(nf, dt);
    if (!(dt > 0.0f) || !std::isfinite(g.dur) || !std::isfinite(g.dom) || !(g.dom > 0.0f)) {
        char t[64];
        std::snprintf(t, sizeof t, "%g", static_cast<double>(dt));
        throw RunRefusal(RunRefusal::Input::record,
                         std::string("the time step is ") + t +
                             "; it must be a positive number, neither so small nor so large that the frequency "
                             "grid is not finite");
    }
    for (int k = 1; k <= nt; ++k)
        if (!std::isfinite(values[static_cast<std::size_t>(k - 1)]))
            throw RunRefusal(RunRefusal::Input::record,
                             "the value of sample " + std::to_string(k) + " is too large for single precision");
}

bool finite_line(Complex a) { return is_finite(a) && std::isfinite(cabs(a)); }

// The records of one output file, laid out by one field list parsed once.
class TableWriter {
public:
    TableWriter(std::string& out, const char* list) : sink_(out) { fields::parse_field_list(list, list_); }
    template <class... V>
    void row(const V&... v) {
        const fields::OutValue items[] = {fields::out_value(v)...};
        fields::write_fixed(sink_, list_, items, static_cast<int>(sizeof...(V)));
    }

private:
    fields::StringSink sink_;
    fields::FieldList list_;
};

}  // namespace

RunResult run_site(std::span<const float> values, float dt, const SoilProfile& profile, const RunChoices& choices) {
    RunResult r;
    r.nt = static_cast<int>(values.size());
    r.dt = dt;
    const auto length = transform_length(std::max(r.nt, choices.transform_samples), kRunLongestExponent);
    if (!length)
        throw RunRefusal(RunRefusal::Input::record,
                         "holds " + std::to_string(r.nt) + " samples" +
                             (choices.transform_samples > r.nt
                                  ? ", padded to " + std::to_string(choices.transform_samples)
                                  : std::string()) +
                             "; at most " + std::to_string(1 << kRunLongestExponent) + " can be run");
    r.nf = length->nf;
    r.if1 = length->if1;
    check_record(values, dt, r.nf);

    std::vector<Complex> fx1(static_cast<std::size_t>(r.nf), Complex{0.0f, 0.0f});
    for (std::size_t k = 0; k < values.size(); ++k) fx1[k] = Complex{values[k], 0.0f};
    r.grid = frequency_grid(r.nf, dt);
    forward_spectrum(fx1, dt);

    const SoilColumn column = profile.column();
    if (const auto problem = profile_problem(column))
        throw RunRefusal(RunRefusal::Input::soil,
                         (problem->layer ? "layer " + std::to_string(problem->layer) + ": " : std::string()) +
                             problem->text);
    const auto nom = static_cast<std::size_t>(r.grid.nom);
    r.col1.resize(nom);
    r.col2.resize(nom);
    column_amplification(column, r.grid.dom, r.col1, r.col2);
    for (int k = 1; k <= r.grid.nom; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        if (!finite_line(r.col1[i]) || !finite_line(r.col2[i]))
            throw RunRefusal(RunRefusal::Input::soil,
                             "the amplification at " + hz_text(k, r.grid.dom) +
                                 " Hz is not a finite single-precision number; check the damping exponent and the "
                                 "quality factors");
    }

    r.s_amp1.reserve(nom * 81);
    TableWriter table(r.s_amp1, "(F8.4,6E12.4)");
    for (int k = 1; k <= r.grid.nom; ++k) {
        const Complex a1 = r.col1[static_cast<std::size_t>(k - 1)];
        const Complex a2 = r.col2[static_cast<std::size_t>(k - 1)];
        table.row(line_hz(k, r.grid.dom), a1.re, a1.im, cabs(a1), a2.re, a2.im, cabs(a2));
    }

    const std::span<Complex> lines(fx1.data(), nom);
    const std::vector<Complex>& chosen = choices.wrt == Wrt::input ? r.col1 : r.col2;
    if (choices.keep_delay)
        amplify_delayed(lines, chosen);
    else
        amplify(lines, chosen, column, r.grid.dom);
    shape_spectrum(lines, r.grid.dom, choices.shape, choices.taper ? &*choices.taper : nullptr);
    for (int k = 2; k <= r.grid.nom; ++k)
        if (!finite_line(lines[static_cast<std::size_t>(k - 1)]))
            throw RunRefusal(RunRefusal::Input::result, "the processed spectrum at " + hz_text(k, r.grid.dom) +
                                                            " Hz is not a finite single-precision number");

    r.amp_dat.reserve(nom * 45);
    TableWriter spectrum(r.amp_dat, "(F8.4,6E12.4)");
    for (int k = 2; k <= r.grid.nom; ++k) {
        const Complex line = lines[static_cast<std::size_t>(k - 1)];
        spectrum.row(line_hz(k, r.grid.dom), line.re, line.im, cabs(line));
    }

    complete_spectrum(fx1);
    r.wave.resize(static_cast<std::size_t>(r.nf));
    r.extremes = synthesize(fx1, r.grid.dur, r.wave);
    for (int k = 1; k <= r.nf; ++k)
        if (!std::isfinite(r.wave[static_cast<std::size_t>(k - 1)]))
            throw RunRefusal(RunRefusal::Input::result,
                             "the output wave at sample " + std::to_string(k) + " is not a finite single-precision number");

    r.zeplo_dat.reserve(static_cast<std::size_t>(r.nt) * 21);
    TableWriter wave(r.zeplo_dat, "(F8.3,3E12.4)");
    for (int k = 1; k <= r.nt; ++k)
        wave.row(static_cast<float>(k - 1) * dt, r.wave[static_cast<std::size_t>(k - 1)]);
    return r;
}

}  // namespace zeplo
