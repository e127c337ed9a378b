// Whole runs of the built program in a scratch folder.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace zeplo::test {

class WholeRun : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return dir_.file(name); }
    void put(const std::string& name, const std::string& content) const { write_file(file(name), content); }
    ProcessResult run(const std::string& answers, const RunOptions& options = {}) const {
        return run_process(zeplo1_path(), answers, dir_.path(), options);
    }
    bool exists(const std::string& name) const { return file_exists(file(name)); }
    std::string contents(const std::string& name) const { return read_file(file(name)); }

    // A record of n samples at step dt (times k*dt written with 6 decimals).
    template <class Value>
    void put_record(const std::string& name, int n, double dt, Value value) const {
        std::string text;
        char line[96];
        for (int k = 0; k < n; ++k) {
            std::snprintf(line, sizeof line, "%.6f %.9g\n", k * dt, static_cast<double>(value(k)));
            text += line;
        }
        put(name, text);
    }

    TempDir dir_;
};

// "%.9G" with the decimal point that free-format reals always show.
inline std::string real_text(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.9G", v < 0 ? -v : v);
    std::string s = b;
    if (s.find('.') == std::string::npos) {
        const std::size_t e = s.find('E');
        if (e == std::string::npos)
            s += '.';
        else
            s.insert(e, ".");
    }
    return std::string(" ") + (v < 0 ? "-" : " ") + s;
}

}  // namespace zeplo::test
