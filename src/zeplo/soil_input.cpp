#include "soil_input.hpp"

#include "motion.hpp"
#include "sha256.hpp"
#include "soil_file.hpp"
#include "soil_table.hpp"

namespace zeplo {

SoilInput load_soil(const std::string& path, const ProfileOptions& options) {
    if (options.no_damping && options.q_exponent)
        throw UserError("--no-damping and --q-exponent contradict each other: give one");
    const std::string text = read_whole_file(path, "soil file");
    SoilInput s;
    s.path = path;
    s.sha256 = sha256_hex(text);
    s.table = looks_like_soil_table(text);
    try {
        s.profile = s.table ? parse_soil_table(text, path) : parse_soil_file(text, path);
    } catch (const SoilFileError& e) {
        throw UserError(e.what());
    }
    SoilProfile& p = s.profile;
    if (options.incidence_deg) {
        p.thet1 = static_cast<float>(*options.incidence_deg);
        p.theta = p.thet1 * kRadiansPerDegree;
        p.angle_line = 0;
    }
    if (options.q_exponent) p.pqf = static_cast<float>(*options.q_exponent);
    if (options.no_damping) p.pqf = kNoDamping;
    if (options.q_exponent || options.no_damping) p.damping_line = 0;
    if (const auto fault = profile_fault(p)) {
        const bool from_options = fault->line == 0 && (options.incidence_deg || options.q_exponent);
        throw UserError((fault->line > 0 ? path + ":" + std::to_string(fault->line) : path) + ": " + fault->text +
                        (from_options ? " (as given on the command line)" : ""));
    }
    return s;
}

}  // namespace zeplo
