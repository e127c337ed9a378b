#include "differential.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "fatal_report.hpp"
#include "in_process.hpp"
#include "libf2c_side.h"
#include "statements.hpp"
#include "records.hpp"

namespace zeplo::diff {

// ---------------------------------------------------------------- files

const test::ScratchDir& work_dir() {
    static const test::ScratchDir dir("zeplo-diff-");
    return dir;
}

std::string work_path(const std::string& name) { return work_dir().file(name); }

std::string show(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7f) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        } else {
            out += ch;
        }
    }
    return out;
}

// ---------------------------------------------------------------- child processes

ChildOutcome in_child(std::function<void()> body) {
    test::ChildPlan plan;
    plan.body = std::move(body);
    plan.timeout_s = 240;
    return test::run_child(plan);
}

std::string describe_end(const ChildOutcome& run) {
    return run.exited ? "status " + std::to_string(run.status) : "signal " + std::to_string(run.term_signal);
}

// ---------------------------------------------------------------- tallies

void Tally::differ(const std::string& example) {
    ++differing;
    if (examples.size() < 12) examples.push_back(example);
}

void Tally::accept(Accepted reason, const std::string& example) {
    if (accepted[static_cast<std::size_t>(reason)]++ < 2)
        accepted_examples.push_back(std::string("(") + describe(reason) + ") " + example);
}

std::string Tally::summary() const {
    std::string s = name + ": compared " + std::to_string(compared) + ", differing " + std::to_string(differing);
    if (reasons.empty()) {
        s += ", accepted-difference 0";
    } else {
        for (std::size_t k = 0; k < reasons.size(); ++k) {
            s += k == 0 ? ", accepted-difference " : "; ";
            s += std::to_string(accepted[static_cast<std::size_t>(reasons[k])]);
            s += " (";
            s += describe(reasons[k]);
            s += ")";
        }
    }
    return s;
}

void Tally::print() const {
    std::printf("%s\n", summary().c_str());
    for (const std::string& e : accepted_examples) std::printf("    accepted %s\n", e.c_str());
    for (const std::string& e : examples) std::printf("    differs: %s\n", e.c_str());
    std::fflush(stdout);
}

// ---------------------------------------------------------------- variables

void Variables::reset() {
    for (std::size_t k = 0; k < ints.size(); ++k) ints[k] = -123450 - static_cast<int>(k);
    for (std::size_t k = 0; k < reals.size(); ++k) reals[k] = -98765.4f - static_cast<float>(k);
    chars.fill('#');
}

std::string Variables::snapshot(const std::string& kinds, int char_len) const {
    std::string s;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (kinds[k] == 'i') {
            s.append(reinterpret_cast<const char*>(&ints[k]), sizeof(int));
        } else if (kinds[k] == 'r') {
            s.append(reinterpret_cast<const char*>(&reals[k]), sizeof(float));
        } else {
            s.append(chars.data(), static_cast<std::size_t>(char_len));
        }
    }
    return s;
}

std::string describe_values(const std::string& kinds, int char_len, const std::string& values) {
    std::string out;
    std::size_t at = 0;
    for (const char kind : kinds) {
        if (!out.empty()) out += ", ";
        char b[64];
        if (kind == 'i') {
            int v = 0;
            if (at + sizeof v <= values.size()) std::memcpy(&v, values.data() + at, sizeof v);
            at += sizeof v;
            std::snprintf(b, sizeof b, "%d", v);
            out += b;
        } else if (kind == 'r') {
            float v = 0;
            std::uint32_t bits = 0;
            if (at + sizeof v <= values.size()) {
                std::memcpy(&v, values.data() + at, sizeof v);
                std::memcpy(&bits, values.data() + at, sizeof bits);
            }
            at += sizeof v;
            std::snprintf(b, sizeof b, "%.9g [%08X]", static_cast<double>(v), bits);
            out += b;
        } else {
            const std::size_t n = static_cast<std::size_t>(char_len);
            out += "'" + show(values.substr(std::min(at, values.size()), n)) + "'";
            at += n;
        }
    }
    return out;
}

std::string describe_result(const ReadCase& c, const ReadResult& r) {
    std::string out;
    for (std::size_t k = 0; k < r.statements.size(); ++k) {
        out += "#" + std::to_string(k + 1) + (r.statements[k].ended ? " END " : " ok ");
        out += "(" + describe_values(c.kinds, c.char_len, r.statements[k].values) + ") ";
    }
    if (r.fatal) out += "FATAL [" + show(r.report) + "]";
    return out;
}

// ---------------------------------------------------------------- our side of a read case

namespace {

std::string consumed_text(const rec::detail::Unit& u) {
    const int end = u.taken();
    return std::string(reinterpret_cast<const char*>(u.buf), static_cast<std::size_t>(std::max(end, 0)));
}

std::vector<rec::InVar> our_vars(const ReadCase& c, Variables& v) {
    std::vector<rec::InVar> vars;
    for (std::size_t k = 0; k < c.kinds.size(); ++k) {
        switch (c.kinds[k]) {
            case 'i':
                vars.push_back(rec::in_var(v.ints[k]));
                break;
            case 'r':
                vars.push_back(rec::in_var(v.reals[k]));
                break;
            default:
                vars.push_back(rec::in_var(rec::CharVar{v.chars.data(), c.char_len}));
        }
    }
    return vars;
}

int unit_of(const ReadCase& c) { return c.console ? rec::kStdinUnit : c.fixed ? kFixedUnit : kListUnit; }

}  // namespace

ReadResult read_ours(const ReadCase& c, const std::string& path, bool hooked) {
    ReadResult r;
    Variables v;
    v.reset();
    const std::vector<rec::InVar> vars = our_vars(c, v);
    const int unit = unit_of(c);
    const int count = static_cast<int>(vars.size());
    int saved_stdin = -1;
    rec::set_fatal_hook(hooked ? test::throw_fatal : nullptr);
    try {
        if (c.console) {
            saved_stdin = ::dup(STDIN_FILENO);
            const int fd = ::open(path.c_str(), O_RDONLY);
            if (fd != STDIN_FILENO) {
                ::dup2(fd, STDIN_FILENO);
                ::close(fd);
            }
            rec::connect_console_units();
        } else {
            rec::open_unit(unit, path, "old");
        }
        for (int s = 0; s < c.statements; ++s) {
            bool completed = true;
            if (c.fixed) {
                rec::read_fmt_vars(unit, c.field_list, vars.data(), count);
            } else {
                completed = rec::read_list_vars(unit, vars.data(), count, c.end_branch);
            }
            r.statements.push_back({!completed, v.snapshot(c.kinds, c.char_len)});
            if (!completed) break;
        }
    } catch (const test::FatalError& f) {
        r.fatal = true;
        r.report = f.report;
        r.consumed = consumed_text(rec::detail::unit(unit));
    }
    if (saved_stdin >= 0) {
        ::dup2(saved_stdin, STDIN_FILENO);
        ::close(saved_stdin);
    }
    rec::reset();
    rec::set_fatal_hook(nullptr);
    return r;
}

// ---------------------------------------------------------------- libf2c's side of the read cases

namespace {

// What a child writes back per statement: 'S', the end-branch flag and the
// variables; 'D' when a case is done. A case without its 'D' is the one whose
// failure report ended the child.
constexpr char kStatementMark = 'S';
constexpr char kCaseDone = 'D';

void put(int fd, const std::string& bytes) {
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) ::_exit(92);
}

void run_case_libf2c(const ReadCase& c, const std::string& path, int out_fd) {
    Variables v;
    v.reset();
    std::vector<lf_var> vars;
    for (std::size_t k = 0; k < c.kinds.size(); ++k) {
        switch (c.kinds[k]) {
            case 'i':
                vars.push_back({'i', &v.ints[k], 0});
                break;
            case 'r':
                vars.push_back({'r', &v.reals[k], 0});
                break;
            default:
                vars.push_back({'c', v.chars.data(), c.char_len});
        }
    }
    const int unit = unit_of(c);
    const int count = static_cast<int>(vars.size());
    if (c.console) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0) ::_exit(90);
        if (fd != STDIN_FILENO) {
            ::dup2(fd, STDIN_FILENO);
            ::close(fd);
        }
    } else {
        lf_open(unit, path.data(), static_cast<int>(path.size()), "old");
    }
    for (int s = 0; s < c.statements; ++s) {
        int ended = 0;
        if (c.fixed) {
            lf_fmt_read(unit, c.field_list, vars.data(), count);
        } else {
            ended = lf_list_read(unit, vars.data(), count, c.end_branch ? 1 : 0);
        }
        put(out_fd, std::string(1, kStatementMark) + std::string(1, static_cast<char>(ended)) +
                        v.snapshot(c.kinds, c.char_len));
        if (ended) break;
    }
    if (!c.console) lf_close(unit);
    put(out_fd, std::string(1, kCaseDone));
}

}  // namespace

std::vector<ReadResult> read_libf2c(const std::vector<ReadCase>& cases, const std::vector<std::string>& paths) {
    std::vector<ReadResult> results(cases.size());
    std::size_t next = 0;
    while (next < cases.size()) {
        // One child takes the cases from `next` on until one ends it with a
        // failure report. A console case runs alone, on a fresh standard input.
        const std::size_t first = next;
        const ChildOutcome run = in_child([&] {
            for (std::size_t k = first; k < cases.size(); ++k) {
                if (cases[k].console && k != first) break;
                run_case_libf2c(cases[k], paths[k], STDOUT_FILENO);
                if (cases[k].console) break;
            }
        });
        std::size_t at = 0;
        std::size_t k = first;
        bool done = false;
        while (k < cases.size() && at < run.out.size()) {
            const std::size_t record = 2 + Variables{}.snapshot(cases[k].kinds, cases[k].char_len).size();
            if (run.out[at] == kCaseDone) {
                ++at;
                ++k;
                continue;
            }
            if (run.out[at] != kStatementMark || at + record > run.out.size()) break;
            results[k].statements.push_back({run.out[at + 1] != 0, run.out.substr(at + 2, record - 2)});
            at += record;
        }
        if (k == cases.size() || (run.exited && run.status == 0 && run.err.empty())) done = true;
        if (!done) {
            ReadResult& r = results[k];
            r.fatal = true;
            r.report = run.aborted() ? run.err
                                     : "(libf2c's side ended with " + describe_end(run) + ") " + run.err;
            ++k;
        }
        next = k;
    }
    return results;
}

}  // namespace zeplo::diff
