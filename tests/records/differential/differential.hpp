// Shared pieces of the differential test of the record layer against libf2c:
// the scratch folder, libf2c's side run in child processes, the read cases and
// their results, and the tallies printed per category.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "child_run.hpp"
#include "scratch_dir.hpp"

namespace zeplo::diff {

using test::ChildOutcome;
using test::read_file;
using test::write_file;

// ---------------------------------------------------------------- files

// The scratch folder of this run, removed when the process exits normally.
const test::ScratchDir& work_dir();
std::string work_path(const std::string& name);
// The text with control characters shown as \n, \t, \r, \xNN.
std::string show(std::string_view text);

// ---------------------------------------------------------------- child processes

// Runs `body` in a forked child (libf2c's failure reports end it with SIGABRT):
// what it writes on standard output, its standard error, how it ended.
ChildOutcome in_child(std::function<void()> body);
// "status N" or "signal N".
std::string describe_end(const ChildOutcome& run);

// ---------------------------------------------------------------- accepted differences

enum class Accepted { LeadZero, UnterminatedLastLine, IntegerSignExponent, Error132, CarriageReturnLineEnd, Count };
inline constexpr int kAcceptedCount = static_cast<int>(Accepted::Count);
const char* describe(Accepted reason);

// ---------------------------------------------------------------- tallies

struct Tally {
    std::string name;
    long compared = 0;
    long differing = 0;
    std::array<long, kAcceptedCount> accepted{};
    std::vector<Accepted> reasons;         // the accepted differences that apply to the category
    std::vector<std::string> examples;     // the first differences, for the failure message
    std::vector<std::string> accepted_examples;  // the first cases of each accepted difference

    Tally(std::string n, std::vector<Accepted> r) : name(std::move(n)), reasons(std::move(r)) {}
    void differ(const std::string& example);
    void accept(Accepted reason, const std::string& example);
    // The summary line: "<name>: compared N, differing M, accepted-difference K (reason)".
    std::string summary() const;
    // Prints the summary, the first cases of each accepted difference and the
    // first differences.
    void print() const;
};

// ---------------------------------------------------------------- read cases

struct ReadCase {
    std::string data;         // the file's contents
    bool fixed = false;       // fixed-format (field list) or free-format
    const char* field_list = "";  // fixed-format only: a literal, as the layer keeps the pointer
    std::string kinds;        // one letter a variable: 'i', 'r' or 'c'
    int char_len = 0;         // length of the character variable
    bool end_branch = false;  // free-format only
    int statements = 1;       // the statement is repeated until a failure, the end branch, or this count
    bool console = false;     // read from unit 5 (standard input) instead of a named file
    std::string origin;       // how the case was made, for messages
};

struct StatementResult {
    bool ended = false;   // the end-of-file branch was taken
    std::string values;   // the variables after the statement: raw bytes (int, float bits, characters)
    bool operator==(const StatementResult&) const = default;
};

struct ReadResult {
    std::vector<StatementResult> statements;
    bool fatal = false;
    std::string report;    // the whole failure report
    std::string consumed;  // our side only: the data read up to the failure
};

// Every libf2c case that fails costs a process. Under the sanitizers a fork
// is many times dearer, so those builds compare only every 6th read case.
inline constexpr int kCaseStride = test::kSanitizedBuild ? 6 : 1;

// Unit numbers and file names used by both sides, so that the reports agree.
inline constexpr int kListUnit = 11;
inline constexpr int kFixedUnit = 4;

// The variables' initial values and their layout in StatementResult::values.
struct Variables {
    std::array<int, 8> ints{};
    std::array<float, 8> reals{};
    std::array<char, 64> chars{};
    void reset();
    std::string snapshot(const std::string& kinds, int char_len) const;
};

std::string describe_values(const std::string& kinds, int char_len, const std::string& values);
std::string describe_result(const ReadCase& c, const ReadResult& r);

// Our side of a read case, on the file `path`. A failure is caught through the
// fatal hook; unhooked, it ends the process as in the program.
ReadResult read_ours(const ReadCase& c, const std::string& path, bool hooked = true);
// libf2c's side of every case (case k on the file paths[k]), in child processes.
std::vector<ReadResult> read_libf2c(const std::vector<ReadCase>& cases, const std::vector<std::string>& paths);

// ---------------------------------------------------------------- the accepted rules themselves

// Output: our text of one real written in free format, as libf2c (built without
// the leading zero) writes it.
std::string without_lead_zero_free(std::string_view ours);
// Output: our text of one F or E field, as libf2c writes it.
std::string without_lead_zero_field(std::string_view ours);
// Input: whether the results differ only by the unterminated-last-line rule.
bool is_unterminated_last_line(const ReadCase& c, const ReadResult& ours, const ReadResult& theirs);
// Input: whether the results differ only by our refusal of a sign after the
// digits of an integer (libf2c takes it as an exponent).
bool is_integer_sign_exponent(const ReadCase& c, const ReadResult& ours, const ReadResult& theirs);

}  // namespace zeplo::diff
