#include "convert_command.hpp"

#include <cstdio>

namespace zeplo {

std::string two_column_text(const Motion& m) {
    std::string out;
    out.reserve(m.values.size() * 32);
    char line[96];
    for (std::size_t k = 0; k < m.values.size(); ++k) {
        // The second time is dt itself, so that time 2 minus time 1 is dt exactly.
        const double t = k == 1 ? static_cast<double>(m.dt) : static_cast<double>(k) * static_cast<double>(m.dt);
        const int n = std::snprintf(line, sizeof line, "%.9g %.9g\n", t, static_cast<double>(m.values[k]));
        out.append(line, static_cast<std::size_t>(n));
    }
    return out;
}

}  // namespace zeplo
