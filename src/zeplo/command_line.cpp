#include <cstdio>

#include "commands.hpp"
#include "run_request.hpp"

namespace zeplo {

int report_failure(const std::string& message) {
    std::fprintf(stderr, "zeplo: %s\n", message.c_str());
    return 1;
}

void report_warnings(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "zeplo: warning: %s\n", w.c_str());
}

void RecordOptions::add_to(CLI::App& app) {
    const auto units_check = CLI::IsMember({"g", "m/s2", "cm/s2"});
    app.add_option("--format", format, "Record format, instead of detecting it: two-column, at2, smc, cosmos, cgs")
        ->check(CLI::IsMember({"two-column", "at2", "smc", "cosmos", "cgs"}));
    app.add_option("--record-units", record_units, "Unit of a record that names none (two-column text): g, m/s2 or cm/s2")
        ->check(units_check);
    app.add_option("--units", units, "Convert the record to this unit first: g, m/s2 or cm/s2 (1 g = 980.665 cm/s2)")
        ->check(units_check);
    app.add_option("--channel", channel, "Channel of a multi-channel record (CGS V2), from 1")
        ->check(CLI::PositiveNumber);
}

void ProfileArgs::add_to(CLI::App& app) {
    app.add_option_function<double>(
        "--incidence", [this](double v) { incidence = v, incidence_given = true; },
        "Incidence angle in the bedrock, degrees from the vertical, 0 <= angle < 90 (default: the soil file's; 0 "
        "for a layer table)");
    app.add_option_function<double>(
        "--q-exponent", [this](double v) { q_exponent = v, q_exponent_given = true; },
        "Frequency exponent of Q: Q = Q0 * f^X (default: the soil file's; 0 for a layer table)");
    app.add_flag("--no-damping", no_damping, "Switch damping off");
}

ProfileOptions ProfileArgs::options() const {
    ProfileOptions o;
    if (incidence_given) o.incidence_deg = incidence;
    if (q_exponent_given) o.q_exponent = q_exponent;
    o.no_damping = no_damping;
    return o;
}

std::optional<formats::Format> RecordOptions::format_choice() const {
    return format.empty() ? std::nullopt : format_from_name(format);
}
std::optional<formats::Unit> RecordOptions::record_units_choice() const {
    return record_units.empty() ? std::nullopt : unit_from_name(record_units);
}
std::optional<formats::Unit> RecordOptions::units_choice() const {
    return units.empty() ? std::nullopt : unit_from_name(units);
}

}  // namespace zeplo
