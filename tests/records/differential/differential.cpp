#include "differential.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fatal_report.hpp"
#include "libf2c_side.h"
#include "statements.hpp"
#include "records.hpp"

namespace zeplo::diff {

// ---------------------------------------------------------------- files

namespace {

std::string make_work_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zeplo-diff-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

struct WorkDir {
    std::string path = make_work_dir();
    pid_t owner = ::getpid();
    ~WorkDir() {
        if (::getpid() != owner) return;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

const std::string& work_dir() {
    static WorkDir dir;
    return dir.path;
}

std::string work_path(const std::string& name) { return work_dir() + "/" + name; }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

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

ChildRun run_in_child(const std::function<void(int out_fd)>& body, const std::string& stdin_path) {
    std::fflush(nullptr);
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) {
        std::perror("pipe");
        std::abort();
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        std::abort();
    }
    if (pid == 0) {
        // No core files from the many aborts of libf2c's reports.
        const struct rlimit no_core = {0, 0};
        ::setrlimit(RLIMIT_CORE, &no_core);
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        ::dup2(err_pipe[1], STDERR_FILENO);
        ::close(err_pipe[1]);
        const int null_fd = ::open("/dev/null", O_WRONLY);
        if (null_fd >= 0) {
            ::dup2(null_fd, STDOUT_FILENO);
            ::close(null_fd);
        }
        if (!stdin_path.empty()) {
            const int fd = ::open(stdin_path.c_str(), O_RDONLY);
            if (fd < 0) ::_exit(90);
            ::dup2(fd, STDIN_FILENO);
            ::close(fd);
        }
        try {
            body(out_pipe[1]);
        } catch (...) {
            ::_exit(91);
        }
        ::_exit(0);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);

    ChildRun run;
    struct pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open_count = 2;
    while (open_count > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[k]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[k].fd);
                fds[k].fd = -1;
                --open_count;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        run.aborted = WTERMSIG(status) == SIGABRT;
        run.exit_code = -WTERMSIG(status);
    } else if (WIFEXITED(status)) {
        run.exit_code = WEXITSTATUS(status);
    }
    return run;
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

struct Fatal {
    int n;
    std::string report;
};

void throwing_hook(int n, const char*, const char* report) { throw Fatal{n, report}; }

std::string consumed_text(const rec::detail::Unit& u) {
    int end = u.pos;
    if (u.pushback != -2 && end > 0) --end;
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
    rec::set_fatal_hook(hooked ? throwing_hook : nullptr);
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
    } catch (const Fatal& f) {
        r.fatal = true;
        r.report = f.report;
        r.consumed = consumed_text(rec::detail::unit(unit));
    }
    if (c.console) {
        if (saved_stdin >= 0) {
            ::dup2(saved_stdin, STDIN_FILENO);
            ::close(saved_stdin);
        }
        rec::connect_console_units();
    } else {
        rec::close_unit(unit);
    }
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
        const ChildRun run = run_in_child([&](int out_fd) {
            for (std::size_t k = first; k < cases.size(); ++k) {
                if (cases[k].console && k != first) break;
                run_case_libf2c(cases[k], paths[k], out_fd);
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
        if (k == cases.size() || (run.exit_code == 0 && !run.aborted && run.err.empty())) done = true;
        if (!done) {
            ReadResult& r = results[k];
            r.fatal = true;
            r.report = run.aborted ? run.err
                                   : "(libf2c's side ended with status " + std::to_string(run.exit_code) + ") " + run.err;
            ++k;
        }
        next = k;
    }
    return results;
}

}  // namespace zeplo::diff
