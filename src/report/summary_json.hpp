// The report's numbers as the object a run adds to its run.json under
// "report". Header-only, for the callers that already use nlohmann-json (the
// zeplo command); the report library itself does not need it.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "report.hpp"

namespace zeplo::report {

// Six significant digits, as the CSV files have them.
inline double six_digits(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.6g", v);
    return std::stod(t);
}

inline nlohmann::ordered_json summary_json(const ReportSummary& s) {
    using Json = nlohmann::ordered_json;
    Json psa = Json::array();
    for (const PsaAt& p : s.psa)
        psa.push_back({{"period_s", p.period},
                       {"input", six_digits(p.input)},
                       {"output", six_digits(p.output)},
                       {"ratio", p.input > 0 ? Json(six_digits(p.output / p.input)) : Json(nullptr)}});
    Json files = Json::array();
    for (const std::string& name : report_file_names()) files.push_back(name);
    return {{"unit", s.unit},
            {"pga", {{"input", six_digits(s.pga_input)}, {"output", six_digits(s.pga_output)}}},
            {"pgv",
             {{"input", six_digits(s.pgv_input)},
              {"output", six_digits(s.pgv_output)},
              {"unit", s.velocity_unit},
              {"integration", "frequency domain"}}},
            {"psa_damping", s.damping},
            {"psa", psa},
            {"peak_psa_ratio", {{"period_s", six_digits(s.peak_ratio_period)}, {"ratio", six_digits(s.peak_ratio)}}},
            {"files", files}};
}

}  // namespace zeplo::report
