// Reading the records and reference tables the spectra tests compare with.
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zeplo::spectra::test_data {

inline std::string data_path(const std::string& name) { return std::string(ZEPLO_TEST_DATA) + "/" + name; }

// Two numbers per line, separated by blanks or a comma; lines that do not
// start with two numbers (headers) are skipped.
struct Columns {
    std::vector<double> first, second;
};

inline Columns read_columns(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    Columns c;
    std::string line;
    while (std::getline(in, line)) {
        for (char& ch : line)
            if (ch == ',') ch = ' ';
        std::istringstream is(line);
        double a = 0, b = 0;
        if (is >> a >> b) {
            c.first.push_back(a);
            c.second.push_back(b);
        }
    }
    return c;
}

// The Chi-Chi motion of DEEPSOIL's example: its header line gives the count
// and dt, the lines after it time and acceleration (g).
struct Motion {
    double dt = 0;
    std::vector<double> acc;
};

inline Motion chichi() {
    Columns c = read_columns(data_path("spectra/ChiChi.txt"));
    Motion m;
    const std::size_t count = static_cast<std::size_t>(c.first.at(0));
    m.dt = c.second.at(0);
    m.acc.assign(c.second.begin() + 1, c.second.end());
    if (m.acc.size() != count) throw std::runtime_error("ChiChi.txt: count differs from its header");
    return m;
}

inline std::vector<double> elcentro() { return read_columns(data_path("elcentro.txt")).second; }

}  // namespace zeplo::spectra::test_data
