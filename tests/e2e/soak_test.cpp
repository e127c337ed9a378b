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
// ZEPLO_SOAK_CASES overrides their number (2000, or 300 in a sanitized
// build); ZEPLO_SOAK_FIRST starts at another case index, so that
// ZEPLO_SOAK_FIRST=i ZEPLO_SOAK_CASES=1 runs case i alone.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include <gtest/gtest.h>

#include "child_run.hpp"
#include "output_files.hpp"
#include "scratch_dir.hpp"
#include "soak_generator.hpp"

namespace zeplo::test {
namespace {

using soak::Case;

constexpr std::uint64_t kDefaultSeed = 1955;
constexpr int kDefaultCases = kSanitizedBuild ? 300 : 2000;
constexpr double kRunTimeout = kSanitizedBuild ? 120.0 : 30.0;

struct Table {
    const OutputFile& file;
    bool starts_at_zero;      // the first column (frequency or time) starts at 0
    std::vector<int> moduli;  // columns that hold a modulus
};
const Table kTable{kTableFile, true, {3, 6}};
const Table kSpectrum{kSpectrumFile, false, {3}};
const Table kWave{kWaveFile, true, {}};

// A fixed-width numeric field: blanks around one number that strtod reads
// completely, finite. `value` receives it.
bool finite_field(std::string_view field, double& value) {
    std::size_t a = 0, b = field.size();
    while (a < b && field[a] == ' ') ++a;
    while (b > a && field[b - 1] == ' ') --b;
    char text[64];
    if (a == b || b - a >= sizeof text) return false;
    std::memcpy(text, field.data() + a, b - a);
    text[b - a] = '\0';
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end == text + (b - a) && std::isfinite(value);
}

// Checks every record of a file of whole records: every field must hold one
// finite number. `visit(line, values)` sees each record's values (line counts
// from 1) and returns nullptr or a problem. Returns an empty string or the
// first problem.
template <class Visit>
std::string check_numeric_records(const std::string& text, const OutputFile& f, Visit visit) {
    std::size_t line = 0;
    double row[8];
    for (std::size_t start = 0; start < text.size(); start += f.width + 1) {
        ++line;
        for (int k = 0; k < f.fields; ++k) {
            const std::size_t col = field_start(k), width = field_width(k);
            if (!finite_field(std::string_view(text).substr(start + col, width), row[k]))
                return "record " + std::to_string(line) + ", columns " + std::to_string(col + 1) + "-" +
                       std::to_string(col + width) + ": '" + text.substr(start + col, width) +
                       "' is not a finite number";
        }
        if (const char* problem = visit(line, static_cast<const double*>(row)))
            return "record " + std::to_string(line) + ": " + problem;
    }
    return {};
}

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
        const std::string name = t.file.name;
        if (!file_exists(dir_.file(name))) {
            problems.push_back(name + " is missing");
            return;
        }
        const std::string text = read_file(dir_.file(name));
        const RecordCheck rf = check_records(text, t.file);
        if (!rf.whole) {
            problems.push_back(name + ": " + rf.problem);
            return;
        }
        if (rf.records != lines)
            problems.push_back(name + ": " + std::to_string(rf.records) + " records instead of " +
                               std::to_string(lines));
        double previous = 0.0;
        const std::string bad =
            check_numeric_records(text, t.file, [&](std::size_t line, const double* v) -> const char* {
                if (line == 1 && t.starts_at_zero && v[0] != 0.0) return "the first column does not start at 0";
                if (line > 1 && v[0] < previous) return "the first column falls";
                previous = v[0];
                for (int m : t.moduli)
                    if (v[m] < 0) return "a negative modulus";
                return nullptr;
            });
        if (!bad.empty()) problems.push_back(name + ": " + bad);
    }
    void check_absent(const Table& t, std::vector<std::string>& problems) const {
        if (file_exists(dir_.file(t.file.name)))
            problems.push_back(std::string(t.file.name) + " exists after the refusal");
    }
    // Saves the case and what the run left to a folder kept after the test.
    std::string keep(int index, const Case& c, const ChildOutcome& r, const std::string& problems) {
        if (!kept_) {
            kept_.emplace("zeplo-soak-failures-");
            kept_->keep();
        }
        const std::string d = kept_->file("case-" + std::to_string(index));
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

    ScratchDir dir_;
    std::optional<ScratchDir> kept_;
};

// nf: the smallest power of two from 4 up that holds nt samples.
int transform_length(int nt) {
    int nf = 4;
    while (nf < nt) nf *= 2;
    return nf;
}

Outcome Soak::judge(const Case& c, const ChildOutcome& r, std::vector<std::string>& problems) const {
    if (r.timed_out) problems.push_back("the run did not end within " + std::to_string(kRunTimeout) + " s");
    if (has_sanitizer_report(r.err)) problems.push_back("SANITIZER REPORT on standard error (see below)");
    if (!problems.empty()) return Outcome::Failed;
    const int nf = transform_length(c.nt);
    const std::size_t lines = static_cast<std::size_t>(nf / 2);

    if (r.exited && r.status == 0 && r.err.empty()) {
        if (c.bad_is) problems.push_back("the amplification answer " + std::to_string(c.is_value) + " was accepted");
        if (mentions_non_finite(r.out)) problems.push_back("standard output shows a non-finite number");
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
    const double wall_start = now_s();
    std::cout << "[soak] seed " << seed << ", cases " << first << " to " << first + cases - 1
              << (kSanitizedBuild ? " (sanitized build)" : "") << std::endl;

    std::map<Outcome, int> counts;
    long long samples = 0;
    double child_time = 0;
    int failures = 0;
    for (int i = first; i < first + cases; ++i) {
        const Case c = soak::make_case(storm::item_seed(seed, static_cast<std::uint64_t>(i)));
        samples += c.nt;
        dir_.clear();
        write_file(dir_.file(c.record_name), c.record_text);
        write_file(dir_.file(c.soil_name), c.soil_text);
        ChildPlan plan;
        plan.program = zeplo1_path();
        plan.input = c.answers;
        plan.cwd = dir_.path();
        plan.timeout_s = kRunTimeout;
        const ChildOutcome r = run_child(plan);
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
    std::cout << "\n[soak] wall time " << now_s() - wall_start << " s, of which " << child_time
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
