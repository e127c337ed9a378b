#include "soil_table.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace zeplo {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> cells(std::string_view line) {
    std::vector<std::string_view> out;
    for (;;) {
        const auto comma = line.find(',');
        out.push_back(trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) return out;
        line.remove_prefix(comma + 1);
    }
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<double> number(std::string_view cell) {
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(cell.data(), cell.data() + cell.size(), v);
    if (r.ec != std::errc{} || r.ptr != cell.data() + cell.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

enum Column { kThickness, kVs, kDensity, kDampingPct, kQ, kColumns };

std::optional<Column> column_of(const std::string& name) {
    if (name == "thickness" || name == "thickness_m" || name == "h_m" || name == "h") return kThickness;
    if (name == "vs" || name == "vs_m_s" || name == "vs_m/s") return kVs;
    if (name == "density" || name == "rho" || name == "density_t_m3") return kDensity;
    if (name == "damping_pct" || name == "damping" || name == "damping_%") return kDampingPct;
    if (name == "q" || name == "qs") return kQ;
    return std::nullopt;
}

}  // namespace

bool looks_like_soil_table(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::string_view first = text.substr(0, text.find('\n'));
    bool letter = false;
    for (const char c : first) letter = letter || std::isalpha(static_cast<unsigned char>(c));
    return letter && first.find(',') != std::string_view::npos;
}

SoilProfile parse_soil_table(std::string_view text, const std::string& name) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::pair<int, std::string_view>> rows;  // line number, text
    int line_number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const auto end = text.find('\n', start);
        const std::string_view line = trim(text.substr(start, end == std::string_view::npos ? end : end - start));
        ++line_number;
        if (!line.empty() && !line.starts_with('#')) rows.emplace_back(line_number, line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (rows.empty()) throw SoilFileError(name, 0, "the layer table is empty; expected a header line");

    int where[kColumns] = {-1, -1, -1, -1, -1};
    const std::vector<std::string_view> header = cells(rows[0].second);
    for (std::size_t k = 0; k < header.size(); ++k) {
        const auto c = column_of(lower(header[k]));
        if (!c)
            throw SoilFileError(name, rows[0].first,
                                "unknown column '" + std::string(header[k]) +
                                    "'; expected thickness_m, vs_m_s, density and damping_pct or q");
        where[*c] = static_cast<int>(k);
    }
    for (const auto& [column, what] : {std::pair{kThickness, "thickness_m"}, std::pair{kVs, "vs_m_s"},
                                      std::pair{kDensity, "density"}})
        if (where[column] < 0) throw SoilFileError(name, rows[0].first, std::string("no column ") + what);
    if ((where[kDampingPct] < 0) == (where[kQ] < 0))
        throw SoilFileError(name, rows[0].first, "expected one damping column: damping_pct or q");

    const int layers = static_cast<int>(rows.size()) - 1;
    if (layers < 1 || layers > kSoilMaxLayers)
        throw SoilFileError(name, rows.back().first,
                            "the table has " + std::to_string(layers) + " layer rows; it must have from 1 to " +
                                std::to_string(kSoilMaxLayers) + " (the half-space included)");
    SoilProfile p;
    p.thet1 = 0.0f;
    p.theta = 0.0f;
    p.nsf = 0;
    p.pqf = 0.0f;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const int line = rows[r].first;
        const std::vector<std::string_view> row = cells(rows[r].second);
        const bool half_space = r + 1 == rows.size();
        auto cell = [&](Column c, const char* what) -> std::optional<double> {
            const auto k = static_cast<std::size_t>(where[c]);
            const std::string_view v = k < row.size() ? row[k] : std::string_view();
            if (v.empty()) {
                if (c == kThickness && half_space) return std::nullopt;
                throw SoilFileError(name, line, std::string("no ") + what + (c == kThickness
                                                                                  ? " (only the last row, the "
                                                                                    "half-space, has none)"
                                                                                  : ""));
            }
            const auto x = number(v);
            if (!x) throw SoilFileError(name, line, std::string("the ") + what + " '" + std::string(v) + "' is not a number");
            return x;
        };
        const auto thickness = cell(kThickness, "thickness");
        if (half_space && thickness)
            throw SoilFileError(name, line,
                                "the last row is the half-space and has no thickness; leave the cell empty");
        const double vs = *cell(kVs, "Vs");
        const double density = *cell(kDensity, "density");
        double q;
        if (where[kQ] >= 0) {
            q = *cell(kQ, "Q");
        } else {
            const double pct = *cell(kDampingPct, "damping");
            if (!(pct > 0.0))
                throw SoilFileError(name, line,
                                    "the damping is " + std::string(row[static_cast<std::size_t>(where[kDampingPct])]) +
                                        " %; it must be above 0 (for no damping at all, give --no-damping)");
            q = 50.0 / pct;
        }
        p.dns.push_back(static_cast<float>(density));
        p.vs.push_back(static_cast<float>(vs));
        p.qs.push_back(static_cast<float>(q));
        p.thk.push_back(thickness ? static_cast<float>(*thickness) : 0.0f);
        p.vp.push_back(0.0f);
        p.qp.push_back(0.0f);
        p.layer_lines.push_back(line);
    }
    return p;
}

}  // namespace zeplo
