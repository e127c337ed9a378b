#include "summary.hpp"

#include <algorithm>
#include <utility>

#include "csv.hpp"

namespace zeplo {
namespace {

using Json = nlohmann::ordered_json;

const std::vector<std::string> kColumns = {"name",    "status",   "message",     "nt",      "dt",     "unit",
                                           "pga_in",  "pga_out",  "peak_amp",    "peak_amp_hz", "out_min", "out_max"};

// Where run.json keeps the numbers of the columns after the message.
const std::vector<std::vector<const char*>> kNumberPaths = {
    {"nt"}, {"dt"}, {"peaks", "unit"}, {"peaks", "input"}, {"peaks", "output"}, {"amplification", "peak"},
    {"amplification", "peak_hz"}, {"output", "min"}, {"output", "max"}};

// The value at `path` in run.json as run.json writes it; empty when absent.
std::string value_at(const Json& j, const std::vector<const char*>& path) {
    const Json* at = &j;
    for (const char* key : path) {
        if (!at->is_object() || !at->contains(key)) return "";
        at = &(*at)[key];
    }
    if (at->is_string()) return at->get<std::string>();
    if (at->is_number()) return at->dump();
    return "";
}

// Report columns. Response spectra are added to run.json by the report option
// of `zeplo run`: a "psa" object whose members are numbers (for example the
// spectral acceleration at a period, keyed by that period) gives one column
// "psa_<key>" per member. The columns are those of every run.json in the
// batch, in the order first met; a run without one leaves it empty.
std::vector<std::pair<std::string, std::string>> report_columns(const Json& j) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!j.contains("psa") || !j["psa"].is_object()) return out;
    for (const auto& [key, value] : j["psa"].items())
        if (value.is_number()) out.emplace_back("psa_" + key, value.dump());
    return out;
}

}  // namespace

std::vector<RowState> row_states(const std::vector<PlanRow>& rows, const std::string& batch_dir) {
    std::vector<RowState> states;
    states.reserve(rows.size());
    for (const PlanRow& row : rows) states.push_back(row_state(row, batch_dir));
    return states;
}

std::string summary_csv(const std::vector<PlanRow>& rows, const std::vector<RowState>& states) {
    std::vector<std::string> extra;  // report column names, in the order first met
    std::vector<std::vector<std::pair<std::string, std::string>>> extra_values(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!states[r].run_json) continue;
        extra_values[r] = report_columns(*states[r].run_json);
        for (const auto& [name, value] : extra_values[r])
            if (std::find(extra.begin(), extra.end(), name) == extra.end()) extra.push_back(name);
    }

    std::vector<std::string> header = kColumns;
    header.insert(header.end(), extra.begin(), extra.end());
    std::string out = csv_line(header);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowState& s = states[r];
        std::vector<std::string> line{rows[r].name, status_name(s.status), s.message};
        const Json none;
        const Json& j = s.run_json ? *s.run_json : none;
        for (const auto& path : kNumberPaths) line.push_back(value_at(j, path));
        for (const std::string& name : extra) {
            std::string value;
            for (const auto& [n, v] : extra_values[r])
                if (n == name) value = v;
            line.push_back(value);
        }
        out += csv_line(line);
    }
    return out;
}

}  // namespace zeplo
