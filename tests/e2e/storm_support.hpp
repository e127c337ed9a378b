// Helpers of the process-level stress tests (signal storm and soak): a child
// run with pipes, a deadline and an optional signal timed from its first
// output; checks of output files made of fixed-width records; a small
// deterministic random source that does not depend on the standard library's
// distributions.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zeplo::test::storm {

// ------------------------------------------------------------------ random

// splitmix64: reproducible on every platform for a given seed.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double u01() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
    double uniform(double a, double b) { return a + (b - a) * u01(); }
    double log_uniform(double a, double b) { return std::exp(uniform(std::log(a), std::log(b))); }
    int int_in(int lo, int hi) {  // [lo, hi]
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(double p) { return u01() < p; }
    template <class T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(next() % v.size())];
    }

private:
    std::uint64_t state_;
};

// A seed for item `index` of a campaign with seed `seed`.
inline std::uint64_t item_seed(std::uint64_t seed, std::uint64_t index) {
    Rng r(seed * 0x100000001B3ull ^ (index + 0x632BE59BD9B4E019ull));
    r.next();
    return r.next();
}

inline std::uint64_t env_u64(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const unsigned long long x = std::strtoull(v, &end, 0);
    return end && *end == '\0' ? x : fallback;
}

// ------------------------------------------------------------------ child runs

inline double now_s() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

struct ChildPlan {
    std::string program;
    std::string stdin_path;  // a file
    std::string cwd;
    int signal = 0;               // 0: none
    double signal_delay_s = 0.0;  // after the first byte on standard output
    double timeout_s = 20.0;      // then SIGKILL, and the run counts as hung
    std::string mark;             // the time of its first appearance on stdout is noted
};

struct ChildOutcome {
    std::string out;
    std::string err;
    bool exited = false;  // status valid
    int status = -1;
    int term_signal = 0;  // the signal that ended it, when not exited
    bool timed_out = false;
    bool signal_sent = false;
    // Seconds from the start.
    double first_output_s = -1.0;
    double mark_s = -1.0;
    double signal_sent_s = -1.0;
    double end_s = -1.0;
    std::string setup_error;  // the child could not be started
};

// Runs `plan.program` with no arguments; standard output and error are pipes
// read to their end. The signal, if any, goes to the child only, and only once
// its first output byte has been read (its handlers are installed by then); it
// is not sent when the child has already closed its output (it has ended).
inline ChildOutcome run_child(const ChildPlan& plan) {
    ChildOutcome r;
    int out_pipe[2], err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        r.setup_error = "pipe2 failed";
        return r;
    }
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        r.setup_error = "pipe2 failed";
        return r;
    }
    const double t0 = now_s();
    const pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) ::close(fd);
        r.setup_error = "fork failed";
        return r;
    }
    if (pid == 0) {
        const int in = ::open(plan.stdin_path.c_str(), O_RDONLY);
        if (in < 0 || ::chdir(plan.cwd.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out_pipe[1], 1);
        ::dup2(err_pipe[1], 2);
        if (in > 2) ::close(in);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execl(plan.program.c_str(), plan.program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    int out_fd = out_pipe[0], err_fd = err_pipe[0];
    const double deadline = t0 + plan.timeout_s;
    double signal_at = -1.0;
    char buf[65536];
    while (out_fd >= 0 || err_fd >= 0) {
        double now = now_s();
        if (now >= deadline) break;
        if (plan.signal != 0 && !r.signal_sent && signal_at >= 0 && now >= signal_at && out_fd >= 0) {
            ::kill(pid, plan.signal);  // not yet reaped: the id is still this child's
            r.signal_sent = true;
            r.signal_sent_s = now - t0;
        }
        double wait_s = deadline - now;
        if (plan.signal != 0 && !r.signal_sent && signal_at >= 0) wait_s = std::min(wait_s, signal_at - now);
        pollfd fds[2];
        int n = 0;
        if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
        if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
        const int ms = wait_s <= 0 ? 0 : static_cast<int>(std::ceil(wait_s * 1000.0));
        const int ready = ::poll(fds, static_cast<nfds_t>(n), ms);
        if (ready < 0 && errno != EINTR) break;
        for (int k = 0; k < n && ready > 0; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const bool is_out = fds[k].fd == out_fd;
            const ssize_t got = ::read(fds[k].fd, buf, sizeof buf);
            if (got > 0) {
                std::string& dst = is_out ? r.out : r.err;
                dst.append(buf, static_cast<std::size_t>(got));
                if (is_out) {
                    const double t = now_s();
                    if (r.first_output_s < 0) {
                        r.first_output_s = t - t0;
                        if (plan.signal != 0) signal_at = t + plan.signal_delay_s;
                    }
                    if (!plan.mark.empty() && r.mark_s < 0 && r.out.find(plan.mark) != std::string::npos)
                        r.mark_s = t - t0;
                }
            } else if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                ::close(fds[k].fd);
                (is_out ? out_fd : err_fd) = -1;
            }
        }
    }
    int status = 0;
    for (;;) {
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (w < 0 && errno != EINTR) break;
        if (now_s() >= deadline) {
            r.timed_out = true;
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        ::usleep(1000);
    }
    r.end_s = now_s() - t0;
    for (int fd : {out_fd, err_fd})
        if (fd >= 0) ::close(fd);
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.term_signal = WTERMSIG(status);
    }
    return r;
}

// Does the text carry a report of AddressSanitizer, UBSan or LeakSanitizer?
inline bool has_sanitizer_report(const std::string& err) {
    for (const char* s : {"AddressSanitizer", "UndefinedBehaviorSanitizer", "LeakSanitizer", "runtime error:",
                          "SUMMARY: "})
        if (err.find(s) != std::string::npos) return true;
    return false;
}

// ------------------------------------------------------------------ record files

// The state of a file made of records `width` characters wide plus '\n'.
struct RecordFile {
    bool whole = true;         // empty, or whole records of the right width only
    std::size_t records = 0;   // whole records (when `whole`)
    std::string problem;       // what is wrong, when not `whole`
};

inline RecordFile check_records(const std::string& text, std::size_t width) {
    RecordFile f;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            f.whole = false;
            f.problem = "the file ends inside record " + std::to_string(f.records + 1) + " (" +
                        std::to_string(text.size() - start) + " characters after the last line end)";
            return f;
        }
        if (end - start != width) {
            f.whole = false;
            f.problem = "record " + std::to_string(f.records + 1) + " has " + std::to_string(end - start) +
                        " characters instead of " + std::to_string(width);
            return f;
        }
        ++f.records;
        start = end + 1;
    }
    return f;
}

// A fixed-width numeric field: blanks around one number that strtod reads
// completely, finite. `value` receives it.
inline bool finite_field(std::string_view field, double& value) {
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

inline constexpr int kMaxFields = 8;

// Checks every record of a file of whole records: `widths` are the fields'
// widths from column 1 (at most kMaxFields); every field must hold one finite
// number. `visit(line, values)` sees each record's values (line counts from 1)
// and returns nullptr or a problem. Returns an empty string or the first
// problem.
template <class Visit>
std::string check_numeric_records(const std::string& text, const std::vector<int>& widths, Visit visit) {
    std::size_t start = 0;
    std::size_t line = 0;
    double row[kMaxFields];
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return "no line end after record " + std::to_string(line);
        ++line;
        std::size_t col = start;
        int n = 0;
        for (int w : widths) {
            const std::size_t width = static_cast<std::size_t>(w);
            if (col + width > end || n == kMaxFields) return "record " + std::to_string(line) + " is too short";
            if (!finite_field(std::string_view(text).substr(col, width), row[n++]))
                return "record " + std::to_string(line) + ", columns " + std::to_string(col - start + 1) + "-" +
                       std::to_string(col - start + width) + ": '" + text.substr(col, width) +
                       "' is not a finite number";
            col += width;
        }
        if (const char* problem = visit(line, static_cast<const double*>(row)))
            return "record " + std::to_string(line) + ": " + problem;
        start = end + 1;
    }
    return {};
}

inline std::string check_numeric_records(const std::string& text, const std::vector<int>& widths) {
    return check_numeric_records(text, widths, [](std::size_t, const double*) -> const char* { return nullptr; });
}

// Case-insensitive search for the spellings of infinities and not-a-numbers.
inline bool mentions_non_finite(const std::string& text) {
    std::string low(text);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return low.find("nan") != std::string::npos || low.find("inf") != std::string::npos;
}

}  // namespace zeplo::test::storm
