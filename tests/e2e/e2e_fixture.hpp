// Whole runs of the built program in a scratch folder.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "child_run.hpp"
#include "output_files.hpp"
#include "scratch_dir.hpp"

namespace zeplo::test {

class WholeRun : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return dir_.file(name); }
    void put(const std::string& name, const std::string& content) const { write_file(file(name), content); }
    // Runs the program with `answers` on standard input, in the folder unless
    // the plan names another.
    ChildOutcome run(const std::string& answers, ChildPlan plan = {}) const {
        plan.program = zeplo1_path();
        plan.input = answers;
        if (plan.cwd.empty()) plan.cwd = dir_.path();
        return run_child(plan);
    }
    bool exists(const std::string& name) const { return file_exists(file(name)); }
    std::string contents(const std::string& name) const { return read_file(file(name)); }
    // The output file, if present, holds whole records only, at most `max_records`.
    void expect_whole(const OutputFile& f, std::size_t max_records) const {
        if (!exists(f.name)) return;
        const RecordCheck c = check_records(contents(f.name), f);
        EXPECT_TRUE(c.whole) << f.name << ": " << c.problem;
        EXPECT_LE(c.records, max_records) << f.name;
    }

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

    ScratchDir dir_;
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
