#include "run_command.hpp"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "amplification.hpp"
#include "output_folder.hpp"
#include "report.hpp"
#include "response_decay.hpp"
#include "run_arguments.hpp"

namespace zeplo {
namespace {

using Json = nlohmann::ordered_json;

// Longest transform auto padding reaches for: 2^22 samples.
constexpr int kAutoPadLongestExponent = 22;
// The column's response has died away below this share of its peak.
constexpr double kDecayFraction = 1e-3;

// A float as the shortest decimal that reads back to it, so that run.json shows
// 0.02 rather than 0.019999999552965164.
double shown(float v) {
    char t[32];
    const auto r = std::to_chars(t, t + sizeof t, v);
    double d = 0;
    std::from_chars(t, r.ptr, d);
    return d;
}

const char* need_input_motion =
    "name the input motion: --input-motion outcrop (a record at rock outcrop: surface over the outcrop motion), "
    "incident (the up-going wave in the bedrock: twice the outcrop response), or within (a record at depth, at "
    "the top of the bedrock, as in a borehole); or give --wrt input|bedrock, the dialog's answer 1 or 2, with "
    "the soil file's surface switch";

// The column and surface switch the run takes, from the input motion or the
// dialog's answer.
struct Column {
    Wrt wrt;
    std::optional<int> nsf;  // replaces the profile's surface switch (S_amp1's column 1 shows it)
};

Column column_for(const RunRequest& q) {
    if (q.input_motion && q.wrt) throw UserError("give --input-motion or --wrt, not both");
    if (q.wrt) return Column{*q.wrt, std::nullopt};
    if (!q.input_motion) throw UserError(need_input_motion);
    switch (*q.input_motion) {
        case InputMotion::incident: return Column{Wrt::input, 1};
        case InputMotion::within: return Column{Wrt::bedrock, 0};  // column 1 of S_amp1 then shows the outcrop factor
        case InputMotion::outcrop: break;
    }
    return Column{Wrt::input, 0};
}

// The taper's corners must rise, from 0, and the first must fall below the
// highest frequency of the record.
void check_taper(const std::array<double, 4>& f, float dt) {
    const double nyquist = 0.5 / static_cast<double>(dt);
    auto text = [](double v) {
        char t[32];
        std::snprintf(t, sizeof t, "%g", v);
        return std::string(t);
    };
    if (!(f[0] >= 0.0 && f[0] <= f[1] && f[1] <= f[2] && f[2] <= f[3]))
        throw UserError("--taper " + text(f[0]) + "," + text(f[1]) + "," + text(f[2]) + "," + text(f[3]) +
                        ": the corners must rise, 0 <= F1 <= F2 <= F3 <= F4 (in Hz)");
    if (!(f[0] < nyquist))
        throw UserError("--taper: F1 = " + text(f[0]) + " Hz is not below the record's highest frequency, " +
                        text(nyquist) + " Hz (half the sampling rate): nothing would pass");
}

struct PadPlan {
    int samples = 0;                     // the transform holds at least this many
    std::optional<double> decay_time;    // auto: the column's response time
    std::string warning;
};

PadPlan plan_padding(const RunRequest& q, const Motion& m, const SoilProfile& profile, Wrt wrt) {
    PadPlan p;
    const int nt = static_cast<int>(m.values.size());
    switch (q.pad.mode) {
        case Padding::Mode::none:
            break;
        case Padding::Mode::seconds:
            p.samples = nt + static_cast<int>(std::ceil(q.pad.seconds / static_cast<double>(m.dt)));
            break;
        case Padding::Mode::automatic: {
            p.decay_time = response_decay_time(profile.column(), wrt == Wrt::input ? 1 : 2, m.dt, kDecayFraction,
                                               kAutoPadLongestExponent);
            double decay = p.decay_time.value_or(0.0);
            if (!p.decay_time) {
                decay = 4.0 * nt * static_cast<double>(m.dt);
                p.warning = "the column's response does not die away (an undamped profile?): the record is padded "
                            "to five times its length, and the wrap-around is only reduced";
            }
            p.samples = std::max(2 * nt, nt + static_cast<int>(std::ceil(decay / static_cast<double>(m.dt))));
            break;
        }
    }
    return p;
}

RunNumbers numbers_of(const Motion& m, const RunResult& r, Wrt wrt) {
    RunNumbers n;
    n.nt = r.nt;
    n.dt = r.dt;
    n.nf = r.nf;
    for (const float v : m.values) n.pga_in = std::max(n.pga_in, std::fabs(v));
    for (int k = 0; k < r.nt; ++k) n.pga_out = std::max(n.pga_out, std::fabs(r.wave[static_cast<std::size_t>(k)]));
    const std::vector<Complex>& chosen = wrt == Wrt::input ? r.col1 : r.col2;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        const float a = cabs(chosen[k]);
        if (a > n.peak_amp) {
            n.peak_amp = a;
            n.peak_amp_hz = line_hz(static_cast<int>(k) + 1, r.grid.dom);
        }
    }
    n.out_min = r.extremes.min;
    n.out_max = r.extremes.max;
    n.unit = unit_key(m.unit);
    return n;
}

Json profile_json(const SoilInput& soil, const ProfileFacts& facts) {
    const SoilProfile& p = soil.profile;
    Json layers = Json::array();
    double top = 0.0;
    for (int il = 1; il <= p.layers(); ++il) {
        const auto i = static_cast<std::size_t>(il - 1);
        const bool half_space = il == p.layers();
        layers.push_back({{"layer", il},
                          {"top_m", top},
                          {"thickness_m", half_space ? Json(nullptr) : Json(shown(p.thk[i]))},
                          {"vs_m_s", shown(p.vs[i])},
                          {"density", shown(p.dns[i])},
                          {"q", p.pqf == kNoDamping ? Json(nullptr) : Json(shown(p.qs[i]))}});
        if (!half_space) top += p.thk[i];
    }
    Json peaks;
    for (std::size_t m = 0; m < kInputMotions.size(); ++m) {
        Json list = Json::array();
        for (const AmplificationPeak& pk : facts.peaks[m]) list.push_back({{"hz", pk.hz}, {"value", pk.value}});
        peaks[input_motion_name(kInputMotions[m])] = list;
    }
    return {{"form", soil.table ? "table" : "fixed-column"},
            {"incidence_deg", shown(p.thet1)},
            {"surface_switch", p.nsf},
            {"damping_exponent", p.pqf == kNoDamping ? Json(nullptr) : Json(shown(p.pqf))},
            {"damping", p.pqf != kNoDamping},
            {"layers", layers},
            {"travel_time_s", facts.travel_time},
            {"quarter_wavelength_hz", facts.f0},
            {"vs30_m_s", facts.vs30 ? Json(*facts.vs30) : Json(nullptr)},
            {"amplification_peaks", peaks}};
}

Json run_json(const RunRequest& q, const Motion& m, const SoilInput& soil, const ProfileFacts& facts,
              const Column& column, const RunChoices& choices, const PadPlan& pad, const RunResult& r,
              const RunNumbers& n) {
    Json j;
    j["request"] = {{"arguments", request_arguments(q)}};
    j["inputs"] = {
        {"record", {{"path", q.record},
                    {"format", format_key(m.format)},
                    {"channel", q.channel},
                    {"unit", unit_key(m.file_unit)},
                    {"sha256", m.sha256}}},
        {"soil", {{"path", q.soil}, {"sha256", soil.sha256}}},
    };
    Json taper = nullptr;
    if (q.taper_hz) {
        taper = {{"hz", *q.taper_hz},
                 {"rad_s",
                  {shown(choices.taper->oml1), shown(choices.taper->oml2), shown(choices.taper->omh1),
                   shown(choices.taper->omh2)}}};
    }
    Json padding = {{"mode", q.pad.mode == Padding::Mode::automatic ? "auto"
                             : q.pad.mode == Padding::Mode::seconds ? "seconds"
                                                                    : "none"},
                    {"padded_s", static_cast<double>(r.nf - r.nt) * static_cast<double>(shown(r.dt))}};
    if (q.pad.mode == Padding::Mode::seconds) padding["requested_s"] = q.pad.seconds;
    if (q.pad.mode == Padding::Mode::automatic)
        padding["column_response_s"] = pad.decay_time ? Json(*pad.decay_time) : Json(nullptr);
    j["choices"] = {{"input_motion", q.input_motion ? Json(input_motion_name(*q.input_motion)) : Json(nullptr)},
                    {"wrt", wrt_name(column.wrt)},
                    {"surface_factor", column.wrt == Wrt::bedrock ? Json(nullptr)
                                                                  : Json(soil.profile.nsf == 1 ? 2 : 1)},
                    {"shape", shape_name(q.shape)},
                    {"taper", taper},
                    {"units", n.unit},
                    {"keep_delay", q.keep_delay},
                    {"padding", padding}};
    j["nt"] = r.nt;
    j["dt"] = shown(r.dt);
    j["nf"] = r.nf;
    j["grid"] = {{"dur", shown(r.grid.dur)},
                 {"dom", shown(r.grid.dom)},
                 {"nom", r.grid.nom},
                 {"eom", shown(r.grid.eom)},
                 {"highest_hz", r.grid.highest_hz()}};
    j["travel_time_s"] = facts.travel_time;
    j["time_shift_s"] = q.keep_delay ? 0.0 : -facts.travel_time;
    j["peaks"] = {{"input", shown(n.pga_in)},
                  {"output", shown(n.pga_out)},
                  {"unit", n.unit},
                  {"output_quantity", q.shape == Shape::integrate       ? "velocity"
                                      : q.shape == Shape::differentiate ? "jerk"
                                                                        : "acceleration"}};
    j["amplification"] = {{"column", wrt_name(column.wrt)}, {"peak", shown(n.peak_amp)}, {"peak_hz", shown(n.peak_amp_hz)}};
    j["output"] = {{"min", shown(n.out_min)}, {"max", shown(n.out_max)}};
    j["profile"] = profile_json(soil, facts);
    j["files"] = {"S_amp1", "amp_dat", "zeplo_dat"};
    return j;
}

report::ReportInput report_input(const RunRequest& q, const Motion& m, const SoilInput& soil,
                                 const ProfileFacts& facts, const Column& column, const RunResult& r) {
    report::ReportInput in;
    in.title = q.record + " through " + q.soil;
    in.dt = static_cast<double>(r.dt);
    in.input.assign(m.values.begin(), m.values.end());
    in.output.assign(r.wave.begin(), r.wave.begin() + r.nt);
    in.unit = unit_key(m.unit);
    in.amplification_df = static_cast<double>(r.grid.dom) / (2.0 * 3.14159265358979323846);
    for (const Complex a : r.col1) in.amplification_input.push_back(cabs(a));
    for (const Complex a : r.col2) in.amplification_bedrock.push_back(cabs(a));
    char t[64];
    auto number = [&](const char* format, double v) {
        std::snprintf(t, sizeof t, format, v);
        return std::string(t);
    };
    in.facts = {{"record", q.record + " (" + format_key(m.format) + ", " + unit_key(m.file_unit) + ")"},
                {"soil", q.soil + " (" + std::to_string(soil.profile.layers() - 1) + " layers over the half-space)"},
                {"input motion", q.input_motion ? input_motion_name(*q.input_motion)
                                                : std::string("--wrt ") + wrt_name(column.wrt)},
                {"samples", std::to_string(r.nt) + " at " + number("%g", r.dt) + " s; transform " +
                                std::to_string(r.nf)},
                {"travel time", number("%.4f s", facts.travel_time) +
                                    (q.keep_delay ? " (output in physical time)" : " (output advanced by it)")},
                {"quarter-wavelength frequency", number("%.3f Hz", facts.f0)}};
    if (facts.vs30) in.facts.emplace_back("Vs30", number("%.1f m/s", *facts.vs30));
    return in;
}

Json report_json(const report::ReportSummary& s) {
    Json psa = Json::object();
    for (const report::PsaAt& p : s.psa) {
        char key[32];
        std::snprintf(key, sizeof key, "%gs", p.period);
        psa[std::string("input_") + key] = p.input;
        psa[std::string("output_") + key] = p.output;
    }
    return {{"unit", s.unit},
            {"pga_input", s.pga_input},
            {"pga_output", s.pga_output},
            {"pgv_input", s.pgv_input},
            {"pgv_output", s.pgv_output},
            {"velocity_unit", s.velocity_unit},
            {"damping", s.damping},
            {"psa", psa},
            {"peak_psa_ratio", s.peak_ratio},
            {"peak_psa_ratio_period_s", s.peak_ratio_period}};
}

}  // namespace

RunOutcome execute_run(const RunRequest& q) {
    const Column column = column_for(q);
    if (q.report && q.shape != Shape::none)
        throw UserError("--report compares accelerations: it cannot go with --integrate or --differentiate");
    const Motion motion = load_motion(q.record, q.format, q.channel, q.record_units, q.units);
    SoilInput soil = load_soil(q.soil, q.profile);
    if (column.nsf) soil.profile.nsf = *column.nsf;
    const ProfileFacts facts = profile_facts(soil.profile);

    RunChoices choices;
    choices.wrt = column.wrt;
    choices.shape = q.shape;
    choices.keep_delay = q.keep_delay;
    if (q.taper_hz) {
        check_taper(*q.taper_hz, motion.dt);
        const auto& f = *q.taper_hz;
        choices.taper = Taper{corner_rad_s(f[0]), corner_rad_s(f[1]), corner_rad_s(f[2]), corner_rad_s(f[3])};
    }
    RunOutcome outcome;
    outcome.warnings = motion.warnings;
    PadPlan pad;
    if (motion.dt > 0.0f && std::isfinite(motion.dt)) pad = plan_padding(q, motion, soil.profile, column.wrt);
    if (!pad.warning.empty()) outcome.warnings.push_back(q.soil + ": " + pad.warning);
    choices.transform_samples = pad.samples;

    RunResult result;
    try {
        result = run_site(motion.values, motion.dt, soil.profile, choices);
    } catch (const RunRefusal& e) {
        const std::string& file = e.input == RunRefusal::Input::record ? q.record : q.soil;
        throw UserError(e.input == RunRefusal::Input::result ? std::string(e.what()) : file + ": " + e.what());
    }

    outcome.numbers = numbers_of(motion, result, column.wrt);
    Json json = run_json(q, motion, soil, facts, column, choices, pad, result, outcome.numbers);

    OutputFolder folder(q.out);
    for (const char* name : {"S_amp1", "amp_dat", "zeplo_dat", "run.json"}) folder.check_replaceable(name);
    if (q.report)
        for (const std::string& name : report::report_file_names()) folder.check_replaceable(name);
    folder.add("S_amp1", result.s_amp1);
    folder.add("amp_dat", result.amp_dat);
    folder.add("zeplo_dat", result.zeplo_dat);
    if (q.report) {
        const report::ReportSummary summary = report::write_report(
            report_input(q, motion, soil, facts, column, result),
            [&](const std::string& name, const std::string& content) { folder.add(name, content); });
        json["report"] = report_json(summary);
        json["psa"] = json["report"]["psa"];
        for (const std::string& name : report::report_file_names()) json["files"].push_back(name);
    }
    outcome.json = json.dump(2) + "\n";
    folder.add("run.json", outcome.json);
    folder.commit();
    return outcome;
}

}  // namespace zeplo
