// Soak: thousands of random valid cases (records of 2 to 32768 samples in
// varied layouts, profiles of 1 to 50 layers in varied fixed-column forms,
// every form of the answers) through the built program. Each run must either
// complete (status 0, nothing on standard error, finite numbers everywhere,
// every file of whole records of its width and of its length) or end with one
// of the refusals a valid case can meet (status 1, one "zeplo1: " line, no
// file half-written). A failing case is saved to a folder named in the
// failure message.
//
// Environment: ZEPLO_SOAK_SEED (default 1955) fixes the cases;
// ZEPLO_SOAK_CASES overrides their number (2000, or 1000 in a sanitized
// build); ZEPLO_SOAK_FIRST starts at another case index, so that
// ZEPLO_SOAK_FIRST=i ZEPLO_SOAK_CASES=1 runs case i alone.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "soak_generator.hpp"
#include "storm_build.hpp"
#include "storm_support.hpp"
#include "test_support.hpp"

namespace zeplo::test {
namespace {

using soak::Case;
using storm::ChildOutcome;

constexpr std::uint64_t kDefaultSeed = 1955;
constexpr int kDefaultCases = storm::kSanitizedBuild ? 1000 : 2000;
constexpr double kRunTimeout = storm::kSanitizedBuild ? 120.0 : 30.0;

struct Table {
    const char* name;
    std::vector<int> widths;  // fields from column 1; their sum is the record width
    std::size_t width;
    bool starts_at_zero;      // the first column (frequency or time) starts at 0
    std::vector<int> moduli;  // columns that hold a modulus
};
const Table kTable{"S_amp1", {8, 12, 12, 12, 12, 12, 12}, 80, true, {3, 6}};
const Table kSpectrum{"amp_dat", {8, 12, 12, 12}, 44, false, {3}};
const Table kWave{"zeplo_dat", {8, 12}, 20, true, {}};

// The outcome of one case, as the test classifies it.
enum class Outcome { Completed, RefusedChoice, RefusedAmplification, RefusedSpectrum, RefusedWave, Failed };
const char* outcome_name(Outcome o) {
    switch (o) {
        case Outcome::Completed: return "completed";
        case Outcome::RefusedChoice: return "refused: amplification choice not 1 or 2";
        case Outcome::RefusedAmplification: return "refused: amplification beyond single precision";
        case Outcome::RefusedSpectrum: return "refused: processed spectrum beyond single precision";
        case Outcome::RefusedWave: return "refused: output wave beyond single precision";
        case Outcome::Failed: return "failed";
    }
    return "?";
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

class Soak : public ::testing::Test {
protected:
    // The file's records must be whole, `lines` of them, each field a finite
    // number; the first column (frequency or time) rises from its start and
    // no modulus is negative.
    void check_file(const Table& t, std::size_t lines, std::vector<std::string>& problems) const {
        if (!file_exists(dir_.file(t.name))) {
            problems.push_back(std::string(t.name) + " is missing");
            return;
        }
        const std::string text = read_file(dir_.file(t.name));
        const storm::RecordFile rf = storm::check_records(text, t.width);
        if (!rf.whole) {
            problems.push_back(std::string(t.name) + ": " + rf.problem);
            return;
        }
        if (rf.records != lines)
            problems.push_back(std::string(t.name) + ": " + std::to_string(rf.records) + " records instead of " +
                               std::to_string(lines));
        double previous = 0.0;
        const std::string bad =
            storm::check_numeric_records(text, t.widths, [&](std::size_t line, const double* v) -> const char* {
                if (line == 1 && t.starts_at_zero && v[0] != 0.0) return "the first column does not start at 0";
                if (line > 1 && v[0] < previous) return "the first column falls";
                previous = v[0];
                for (int m : t.moduli)
                    if (v[m] < 0) return "a negative modulus";
                return nullptr;
            });
        if (!bad.empty()) problems.push_back(std::string(t.name) + ": " + bad);
    }
    void check_absent(const Table& t, std::vector<std::string>& problems) const {
        if (file_exists(dir_.file(t.name))) problems.push_back(std::string(t.name) + " exists after the refusal");
    }
    void clear() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            std::filesystem::remove_all(entry.path());
    }
    // Saves the case and what the run left to a folder kept after the test.
    std::string keep(int index, const Case& c, const ChildOutcome& r, const std::string& problems) {
        if (kept_.empty()) {
            char templ[] = "/tmp/zeplo-soak-failures-XXXXXX";
            if (const char* p = ::mkdtemp(templ)) kept_ = p;
            if (kept_.empty()) return "(could not create a folder)";
        }
        const std::string d = kept_ + "/case-" + std::to_string(index);
        std::filesystem::create_directories(d);
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            std::filesystem::copy(entry.path(), d / entry.path().filename(),
                                  std::filesystem::copy_options::overwrite_existing);
        write_file(d + "/" + c.record_name, c.record_text);
        write_file(d + "/" + c.soil_name, c.soil_text);
        write_file(d + "/answers", c.answers);
        write_file(d + "/run.stdout", r.out);
        write_file(d + "/run.stderr", r.err);
        write_file(d + "/problems.txt", c.summary + "\n" + problems);
        write_file(d + "/reproduce.sh", "#!/bin/sh\n# Runs the case again in this folder.\ncd \"$(dirname \"$0\")\" && " +
                                            zeplo1_path() + " < answers\n");
        std::filesystem::permissions(d + "/reproduce.sh", std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        return d;
    }

    Outcome judge(const Case& c, const ChildOutcome& r, std::vector<std::string>& problems) const;

    TempDir dir_;
    std::string kept_;
};

// nf: the smallest power of two from 4 up that holds nt samples.
int transform_length(int nt) {
    int nf = 4;
    while (nf < nt) nf *= 2;
    return nf;
}

Outcome Soak::judge(const Case& c, const ChildOutcome& r, std::vector<std::string>& problems) const {
    if (r.timed_out) problems.push_back("the run did not end within " + std::to_string(kRunTimeout) + " s");
    if (!r.setup_error.empty()) problems.push_back(r.setup_error);
    if (storm::has_sanitizer_report(r.err)) problems.push_back("SANITIZER REPORT on standard error (see below)");
    if (!problems.empty()) return Outcome::Failed;
    const int nf = transform_length(c.nt);
    const std::size_t lines = static_cast<std::size_t>(nf / 2);

    if (r.exited && r.status == 0 && r.err.empty()) {
        if (c.bad_is) problems.push_back("the amplification answer " + std::to_string(c.is_value) + " was accepted");
        if (storm::mentions_non_finite(r.out)) problems.push_back("standard output shows a non-finite number");
        // The report of the record: sample count and step, transform length.
        char expected[96];
        std::snprintf(expected, sizeof expected, " NT and DT= %d ", c.nt);
        const std::size_t at = r.out.find(expected);
        if (at == std::string::npos) {
            problems.push_back(std::string("standard output lacks \"") + expected + "\"");
        } else {
            const float t0 = static_cast<float>(std::strtod(c.t0_text.c_str(), nullptr));
            const float t1 = static_cast<float>(std::strtod(c.t1_text.c_str(), nullptr));
            const float shown = static_cast<float>(std::strtod(r.out.c_str() + at + std::strlen(expected), nullptr));
            if (shown != t1 - t0)
                problems.push_back("the time step shown is " + std::to_string(shown) + ", not " +
                                   std::to_string(t1 - t0));
        }
        std::snprintf(expected, sizeof expected, "  IF1,NF= %d %d\n", static_cast<int>(std::log2(nf)), nf);
        if (r.out.find(expected) == std::string::npos)
            problems.push_back(std::string("standard output lacks \"") + expected + "\"");

        check_file(kTable, lines + 1, problems);
        check_file(kSpectrum, lines, problems);
        check_file(kWave, static_cast<std::size_t>(c.nt), problems);
        return problems.empty() ? Outcome::Completed : Outcome::Failed;
    }

    if (!(r.exited && r.status == 1)) {
        problems.push_back(r.exited ? "exit status " + std::to_string(r.status) + " with standard error [" + r.err + "]"
                                    : "ended by signal " + std::to_string(r.term_signal));
        return Outcome::Failed;
    }
    if (!starts_with(r.err, "zeplo1: ") || r.err.back() != '\n' || r.err.find('\n') != r.err.size() - 1) {
        problems.push_back("status 1 without a single \"zeplo1: \" line on standard error");
        return Outcome::Failed;
    }
    const std::string soil_prefix = "zeplo1: soil file '" + c.soil_name + "': ";
    Outcome o = Outcome::Failed;
    if (starts_with(r.err, "zeplo1: the amplification choice is " + std::to_string(c.is_value) + ";")) {
        o = Outcome::RefusedChoice;
        if (!c.bad_is) problems.push_back("the valid amplification answer was refused");
        check_absent(kTable, problems);
        check_absent(kSpectrum, problems);
        check_absent(kWave, problems);
    } else if (starts_with(r.err, soil_prefix + "the amplification at ")) {
        o = Outcome::RefusedAmplification;
        check_absent(kTable, problems);
        check_absent(kSpectrum, problems);
        check_absent(kWave, problems);
    } else if (starts_with(r.err, "zeplo1: the processed spectrum at ")) {
        o = Outcome::RefusedSpectrum;
        check_file(kTable, lines + 1, problems);
        check_absent(kSpectrum, problems);
        check_absent(kWave, problems);
    } else if (starts_with(r.err, "zeplo1: the output wave at sample ")) {
        o = Outcome::RefusedWave;
        check_file(kTable, lines + 1, problems);
        check_file(kSpectrum, lines, problems);
        check_absent(kWave, problems);
    } else {
        // The generator writes valid records and profiles: no other refusal
        // applies to them.
        problems.push_back("a refusal that does not apply to this valid case");
    }
    if (c.bad_is && o != Outcome::RefusedChoice)
        problems.push_back("the amplification answer " + std::to_string(c.is_value) + " was not refused");
    return problems.empty() ? o : Outcome::Failed;
}

TEST_F(Soak, RandomValidCasesCompleteOrAreRefused) {
    const std::uint64_t seed = storm::env_u64("ZEPLO_SOAK_SEED", kDefaultSeed);
    const int cases = static_cast<int>(storm::env_u64("ZEPLO_SOAK_CASES", kDefaultCases));
    const int first = static_cast<int>(storm::env_u64("ZEPLO_SOAK_FIRST", 0));
    const double wall_start = storm::now_s();
    std::cout << "[soak] seed " << seed << ", cases " << first << " to " << first + cases - 1
              << (storm::kSanitizedBuild ? " (sanitized build)" : "") << std::endl;

    std::map<Outcome, int> counts;
    long long samples = 0;
    double child_time = 0;
    int failures = 0;
    for (int i = first; i < first + cases; ++i) {
        const Case c = soak::make_case(storm::item_seed(seed, static_cast<std::uint64_t>(i)));
        samples += c.nt;
        clear();
        write_file(dir_.file(c.record_name), c.record_text);
        write_file(dir_.file(c.soil_name), c.soil_text);
        write_file(dir_.file(".answers"), c.answers);
        storm::ChildPlan plan;
        plan.program = zeplo1_path();
        plan.stdin_path = dir_.file(".answers");
        plan.cwd = dir_.path();
        plan.timeout_s = kRunTimeout;
        const ChildOutcome r = storm::run_child(plan);
        child_time += r.end_s;

        std::vector<std::string> problems;
        const Outcome o = judge(c, r, problems);
        ++counts[o];
        if (o == Outcome::Failed) {
            ++failures;
            std::ostringstream msg;
            msg << "case " << i << " (seed " << seed << "; rerun alone with ZEPLO_SOAK_SEED=" << seed
                << " ZEPLO_SOAK_FIRST=" << i << " ZEPLO_SOAK_CASES=1): " << c.summary << "\n";
            for (const std::string& p : problems) msg << "  " << p << "\n";
            msg << "  exit: " << (r.exited ? "status " + std::to_string(r.status) : "signal " + std::to_string(r.term_signal))
                << "\n  stderr: [" << r.err.substr(0, 4000) << "]\n";
            std::ostringstream ps;
            for (const std::string& p : problems) ps << p << "\n";
            if (failures <= 20) msg << "  case saved in " << keep(i, c, r, ps.str() + "stderr:\n" + r.err);
            ADD_FAILURE() << msg.str();
            if (failures >= 50) {
                ADD_FAILURE() << "stopping after 50 failed cases";
                break;
            }
        }
    }

    std::cout << "[soak] cases " << cases << " (" << samples << " samples in all):";
    for (Outcome o : {Outcome::Completed, Outcome::RefusedChoice, Outcome::RefusedAmplification,
                      Outcome::RefusedSpectrum, Outcome::RefusedWave, Outcome::Failed})
        std::cout << "\n[soak]   " << outcome_name(o) << ": " << counts[o];
    std::cout << "\n[soak] wall time " << storm::now_s() - wall_start << " s, of which " << child_time
              << " s in the program" << std::endl;
    EXPECT_EQ(failures, 0);
    // Most valid cases complete; a soak whose cases were all refused would
    // have tested little.
    if (cases >= 100) {
        EXPECT_GT(counts[Outcome::Completed], cases * 8 / 10);
    }
}

}  // namespace
}  // namespace zeplo::test
