#include "run_command.hpp"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "output_folder.hpp"
#include "sha256.hpp"
#include "soil_file.hpp"

namespace zeplo {
namespace {

using Json = nlohmann::ordered_json;

// A float as the shortest decimal that reads back to it, so that run.json shows
// 0.02 rather than 0.019999999552965164.
double shown(float v) {
    char t[32];
    const auto r = std::to_chars(t, t + sizeof t, v);
    double d = 0;
    std::from_chars(t, r.ptr, d);
    return d;
}

RunNumbers numbers_of(const Motion& m, const RunResult& r, const RunChoices& choices) {
    RunNumbers n;
    n.nt = r.nt;
    n.dt = r.dt;
    n.nf = r.nf;
    for (const float v : m.values) n.pga_in = std::max(n.pga_in, std::fabs(v));
    for (int k = 0; k < r.nt; ++k) n.pga_out = std::max(n.pga_out, std::fabs(r.wave[static_cast<std::size_t>(k)]));
    const std::vector<Complex>& chosen = choices.wrt == Wrt::input ? r.col1 : r.col2;
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

Json run_json(const RunRequest& q, const Motion& m, const std::string& soil_sha, const RunChoices& choices,
              const RunResult& r, const RunNumbers& n) {
    Json j;
    j["inputs"] = {
        {"record", {{"path", q.record},
                    {"format", format_key(m.format)},
                    {"channel", q.channel},
                    {"unit", unit_key(m.file_unit)},
                    {"sha256", m.sha256}}},
        {"soil", {{"path", q.soil}, {"sha256", soil_sha}}},
    };
    Json taper = nullptr;
    if (q.taper_hz) {
        taper = {{"hz", *q.taper_hz},
                 {"rad_s",
                  {shown(choices.taper->oml1), shown(choices.taper->oml2), shown(choices.taper->omh1),
                   shown(choices.taper->omh2)}}};
    }
    j["choices"] = {{"wrt", wrt_name(q.wrt)}, {"shape", shape_name(q.shape)}, {"taper", taper},
                    {"units", n.unit}};
    j["nt"] = r.nt;
    j["dt"] = shown(r.dt);
    j["nf"] = r.nf;
    j["grid"] = {{"dur", shown(r.grid.dur)},
                 {"dom", shown(r.grid.dom)},
                 {"nom", r.grid.nom},
                 {"eom", shown(r.grid.eom)},
                 {"highest_hz", r.grid.highest_hz()}};
    j["peaks"] = {{"input", shown(n.pga_in)},
                  {"output", shown(n.pga_out)},
                  {"unit", n.unit},
                  {"output_quantity", q.shape == Shape::integrate       ? "velocity"
                                      : q.shape == Shape::differentiate ? "jerk"
                                                                        : "acceleration"}};
    j["amplification"] = {{"column", wrt_name(q.wrt)}, {"peak", shown(n.peak_amp)}, {"peak_hz", shown(n.peak_amp_hz)}};
    j["output"] = {{"min", shown(n.out_min)}, {"max", shown(n.out_max)}};
    j["files"] = {"S_amp1", "amp_dat", "zeplo_dat"};
    return j;
}

}  // namespace

RunOutcome execute_run(const RunRequest& q) {
    const Motion motion = load_motion(q.record, q.format, q.channel, q.record_units, q.units);
    const std::string soil_text = read_whole_file(q.soil, "soil file");
    SoilProfile profile;
    try {
        profile = parse_soil_file(soil_text, q.soil);
    } catch (const SoilFileError& e) {
        throw UserError(e.what());
    }

    RunChoices choices;
    choices.wrt = q.wrt;
    choices.shape = q.shape;
    if (q.taper_hz) {
        const auto& f = *q.taper_hz;
        choices.taper = Taper{corner_rad_s(f[0]), corner_rad_s(f[1]), corner_rad_s(f[2]), corner_rad_s(f[3])};
    }

    RunResult result;
    try {
        result = run_site(motion.values, motion.dt, profile, choices);
    } catch (const RunRefusal& e) {
        const std::string& file = e.input == RunRefusal::Input::record ? q.record : q.soil;
        throw UserError(e.input == RunRefusal::Input::result ? std::string(e.what()) : file + ": " + e.what());
    }

    RunOutcome outcome;
    outcome.numbers = numbers_of(motion, result, choices);
    outcome.warnings = motion.warnings;
    outcome.json = run_json(q, motion, sha256_hex(soil_text), choices, result, outcome.numbers).dump(2) + "\n";

    OutputFolder folder(q.out);
    for (const char* name : {"S_amp1", "amp_dat", "zeplo_dat", "run.json"}) folder.check_replaceable(name);
    folder.add("S_amp1", result.s_amp1);
    folder.add("amp_dat", result.amp_dat);
    folder.add("zeplo_dat", result.zeplo_dat);
    folder.add("run.json", outcome.json);
    folder.commit();
    return outcome;
}

}  // namespace zeplo
