// Input: free-format and fixed-format reads of the same files by our layer and
// by libf2c, compared value by value (bit patterns of the reals) and, where a
// read fails, report by report.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "differential.hpp"
#include "read_cases.hpp"

namespace zeplo::diff {
namespace {

std::string describe_case(const ReadCase& c) {
    std::string s = c.origin + ": data [" + show(c.data) + "] ";
    s += c.fixed ? std::string("read ") + c.field_list : std::string("free-format read");
    s += " into " + c.kinds;
    if (!c.fixed) s += c.end_branch ? " with end branch" : " without end branch";
    if (c.console) s += " from the console";
    return s;
}

// Our report as the hook receives it is the one compared; for some of the
// failing cases, the run is also ended for real in a child process, to check
// that the same text reaches standard error and that the end is an abort.
void check_real_ending(const ReadCase& c, const std::string& path, const ReadResult& ours, Tally& t) {
    const ChildOutcome run = in_child([&] { read_ours(c, path, false); });
    ++t.compared;
    if (run.aborted() && run.err == ours.report) return;
    t.differ(describe_case(c) + "\n      hook:   [" + show(ours.report) + "]\n      stderr: [" + show(run.err) +
             "] " + describe_end(run));
}

Tally compare_reads(const std::string& name, const std::vector<ReadCase>& all, std::vector<Accepted> reasons) {
    Tally t(name, std::move(reasons));
    Tally endings(name + ", our failure reports on standard error (every 40th failure)", {});
    std::vector<ReadCase> cases;
    for (std::size_t k = 0; k < all.size(); k += static_cast<std::size_t>(kCaseStride)) cases.push_back(all[k]);
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        paths.push_back(work_path("case-" + std::to_string(k) + ".dat"));
        write_file(paths.back(), cases[k].data);
    }
    const std::vector<ReadResult> libf2c = read_libf2c(cases, paths);
    // A carriage return right before a line end is part of the line end for
    // us, data for libf2c: the cases with CRLF are also read by libf2c with LF
    // line ends, which is what ours must then agree with.
    std::vector<ReadCase> crlf_cases;
    std::vector<std::string> crlf_paths;
    std::vector<std::size_t> crlf_index(cases.size(), SIZE_MAX);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        if (cases[k].data.find("\r\n") == std::string::npos) continue;
        ReadCase lf = cases[k];
        for (std::size_t at = 0; (at = lf.data.find("\r\n", at)) != std::string::npos; ++at) lf.data.erase(at, 1);
        crlf_index[k] = crlf_cases.size();
        crlf_paths.push_back(work_path("case-" + std::to_string(k) + "-lf.dat"));
        write_file(crlf_paths.back(), lf.data);
        crlf_cases.push_back(std::move(lf));
    }
    std::vector<ReadResult> libf2c_lf = read_libf2c(crlf_cases, crlf_paths);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        if (crlf_index[k] == SIZE_MAX) continue;
        // The report names the file read: the LF copy stands for the case's own file.
        std::string& report = libf2c_lf[crlf_index[k]].report;
        const std::string& lf_path = crlf_paths[crlf_index[k]];
        if (const auto at = report.find(lf_path); at != std::string::npos) report.replace(at, lf_path.size(), paths[k]);
    }
    long failures = 0;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const ReadCase& c = cases[k];
        const ReadResult& theirs = libf2c[k];
        const ReadResult ours = read_ours(c, paths[k]);
        ++t.compared;
        if (theirs.fatal) ++failures;
        if (ours.fatal && failures % 40 == 1)
            check_real_ending(c, paths[k], ours, endings);
        if (ours.statements == theirs.statements && ours.fatal == theirs.fatal && ours.report == theirs.report)
            continue;
        const std::string example = describe_case(c) + "\n      ours:   " + describe_result(c, ours) +
                                    "\n      libf2c: " + describe_result(c, theirs);
        if (crlf_index[k] != SIZE_MAX) {
            const ReadResult& lf = libf2c_lf[crlf_index[k]];
            if (ours.statements == lf.statements && ours.fatal == lf.fatal && ours.report == lf.report) {
                t.accept(Accepted::CarriageReturnLineEnd, example);
                continue;
            }
            if (is_unterminated_last_line(c, ours, lf)) {
                t.accept(Accepted::CarriageReturnLineEnd, example);
                continue;
            }
        }
        if (is_unterminated_last_line(c, ours, theirs)) {
            t.accept(Accepted::UnterminatedLastLine, example);
            continue;
        }
        if (is_integer_sign_exponent(c, ours, theirs)) {
            t.accept(Accepted::IntegerSignExponent, example);
            continue;
        }
        t.differ(example);
    }
    std::printf("%s: %ld of the cases end with libf2c's failure report\n", name.c_str(), failures);
    for (const std::string& p : paths) std::remove(p.c_str());
    for (const std::string& p : crlf_paths) std::remove(p.c_str());
    endings.print();
    EXPECT_EQ(endings.differing, 0) << endings.summary();
    EXPECT_GT(endings.compared, 0);
    return t;
}

void check(const Tally& t) {
    t.print();
    std::string all;
    for (const std::string& e : t.examples) all += "\n  " + e;
    EXPECT_EQ(t.differing, 0) << t.summary() << all;
}

TEST(InputAgainstLibf2c, FreeFormatReads) {
    check(compare_reads("free-format reads", free_format_read_cases(),
                        {Accepted::UnterminatedLastLine, Accepted::IntegerSignExponent,
                         Accepted::CarriageReturnLineEnd}));
}

TEST(InputAgainstLibf2c, FixedFormatReads) {
    check(compare_reads("fixed-format reads", fixed_format_read_cases(), {Accepted::CarriageReturnLineEnd}));
}

// A repeat count beyond the integer range: libf2c converts the count with
// atoi(), which wraps (4294967297 becomes 1), so its reading departs from the
// rule "r copies of the value" on its own account. Our side is held to the
// rule; libf2c's reading is shown, not compared.
TEST(InputAgainstLibf2c, RepeatCountBeyondTheIntegerRange) {
    ReadCase c;
    c.data = "4294967297*3\n";
    c.kinds = "ii";
    c.origin = "repeat count 2^32 + 1";
    const std::string path = work_path("repeat.dat");
    write_file(path, c.data);
    const ReadResult ours = read_ours(c, path);
    const ReadResult theirs = read_libf2c({c}, {path}).front();
    std::printf("not compared (libf2c wraps the repeat count): %s\n    ours:   %s\n    libf2c: %s\n",
                describe_case(c).c_str(), describe_result(c, ours).c_str(), describe_result(c, theirs).c_str());
    ASSERT_FALSE(ours.fatal) << ours.report;
    ASSERT_EQ(ours.statements.size(), 1u);
    EXPECT_EQ(describe_values(c.kinds, 0, ours.statements[0].values), "3, 3");
}

}  // namespace
}  // namespace zeplo::diff
