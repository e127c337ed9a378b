// The failure report: its first line for every error number, and whole reports
// of failed opens.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "differential.hpp"
#include "fatal_report.hpp"
#include "in_process.hpp"
#include "libf2c_side.h"
#include "statements.hpp"
#include "records.hpp"

namespace zeplo::diff {
namespace {

std::string first_line(const std::string& s) { return s.substr(0, s.find('\n') + (s.find('\n') != std::string::npos)); }

TEST(FailureReportAgainstLibf2c, FirstLineOfEveryErrorNumber) {
    Tally t("failure report first line, error numbers -2 to 140", {Accepted::Error132});
    const std::vector<const char*> contexts =
        kCaseStride == 1 ? std::vector<const char*>{"open", "list in", "fmt"} : std::vector<const char*>{"open"};
    for (const char* context : contexts) {
        for (int n = -2; n <= 140; ++n) {
            const ChildOutcome run = in_child([&] { lf_fatal(n, context); });
            char report[4096];
            rec::compose_report(n, context, report, sizeof report);
            const std::string ours = first_line(report);
            const std::string theirs = first_line(run.err);
            ++t.compared;
            if (ours == theirs && run.aborted()) continue;
            const std::string e = "n = " + std::to_string(n) + ": ours [" + show(ours) + "] libf2c [" + show(theirs) + "]" +
                     (run.aborted() ? "" : " (libf2c's side did not abort)");
            if (n == 132)
                t.accept(Accepted::Error132, e);
            else
                t.differ(e);
        }
    }
    t.print();
    EXPECT_EQ(t.differing, 0) << t.summary();
}

// A failed open, after a statement that leaves the report's state lines in a
// known place on both sides.
struct OpenCase {
    std::string name_field;  // the character variable's text, trailing blanks included
    const char* status;
    bool fixed_before;       // the statement before: fixed-format (clears the field list) or free-format
    std::string origin;
};

constexpr int kPrepUnit = 4;
constexpr int kOpenUnit = 11;

std::string open_ours(const OpenCase& c, const std::string& prep) {
    std::string out;
    rec::set_fatal_hook(test::throw_fatal);
    try {
        int v = 0;
        rec::open_unit(kPrepUnit, prep, "old");
        if (c.fixed_before)
            rec::read_fmt(kPrepUnit, "(I10)", v);
        else
            rec::read_list(kPrepUnit, v);
        rec::close_unit(kPrepUnit);
        rec::open_unit(kOpenUnit, c.name_field, c.status);
        float x = 0;
        rec::read_list(kOpenUnit, x);
        char b[64];
        std::snprintf(b, sizeof b, "read %.9g", static_cast<double>(x));
        out = b;
    } catch (const test::FatalError& e) {
        out = "FATAL " + e.report;
    }
    rec::reset();
    rec::set_fatal_hook(nullptr);
    return out;
}

std::string open_libf2c(const OpenCase& c, const std::string& prep) {
    const ChildOutcome run = in_child([&] {
        int v = 0;
        lf_var var{'i', &v, 0};
        lf_open(kPrepUnit, prep.data(), static_cast<int>(prep.size()), "old");
        if (c.fixed_before)
            lf_fmt_read(kPrepUnit, "(I10)", &var, 1);
        else
            lf_list_read(kPrepUnit, &var, 1, 0);
        lf_close(kPrepUnit);
        lf_open(kOpenUnit, c.name_field.data(), static_cast<int>(c.name_field.size()), c.status);
        float x = 0;
        lf_var xv{'r', &x, 0};
        lf_list_read(kOpenUnit, &xv, 1, 0);
        char b[64];
        const int n = std::snprintf(b, sizeof b, "read %.9g", static_cast<double>(x));
        if (::write(STDOUT_FILENO, b, static_cast<std::size_t>(n)) != n) ::_exit(92);
    });
    if (run.aborted()) return "FATAL " + run.err;
    if (!run.exited || run.status != 0) return describe_end(run) + " " + run.err;
    return run.out;
}

TEST(FailureReportAgainstLibf2c, FailedOpens) {
    const std::string prep = work_path("prep.dat");
    write_file(prep, "         7\n");
    const std::string data = work_path("data.dat");
    write_file(data, "2.5\n");
    const std::vector<OpenCase> cases = {
        {work_path("missing.dat"), "old", false, "missing file, status old"},
        {work_path("missing.dat"), "OLD", true, "missing file, status OLD"},
        {work_path("missing.dat") + "          ", "old", false, "missing file, name padded with blanks"},
        {"                    ", "old", false, "blank name"},
        {"                    ", "unknown", true, "blank name, status unknown"},
        {"", "old", true, "empty name"},
        {work_path("no-such-dir/x.dat"), "unknown", false, "status unknown in a missing directory"},
        {data + "     ", "old", false, "existing file, name padded with blanks"},
        {data, "Old", true, "existing file, status Old"},
    };
    Tally t("failed opens (whole report)", {});
    for (const OpenCase& c : cases) {
        const std::string theirs = open_libf2c(c, prep);
        const std::string ours = open_ours(c, prep);
        ++t.compared;
        if (ours != theirs) t.differ(c.origin + ": ours [" + show(ours) + "] libf2c [" + show(theirs) + "]");
    }
    t.print();
    std::string all;
    for (const std::string& e : t.examples) all += "\n  " + e;
    EXPECT_EQ(t.differing, 0) << t.summary() << all;
}

}  // namespace
}  // namespace zeplo::diff
