#include "child_run.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zeplo::test {
namespace {

// A descriptor closed at the end of its scope (or earlier, by close()).
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

[[noreturn]] void setup_failed(const char* what) {
    throw std::runtime_error(std::string("starting a child: ") + what + ": " + std::strerror(errno));
}

void make_pipe(Fd& read_end, Fd& write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) setup_failed("pipe2");
    read_end.fd = fds[0];
    write_end.fd = fds[1];
}

bool write_all(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

// A nameless file holding `text`, positioned at its start.
int text_file(const std::string& text) {
    const int fd = ::memfd_create("stdin", MFD_CLOEXEC);
    if (fd < 0) setup_failed("memfd_create");
    if (!write_all(fd, text) || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        setup_failed("writing the input");
    }
    return fd;
}

// Writes the input into the held pipe; a child that has already ended must not
// end the test with SIGPIPE.
void feed(int fd, const std::string& input) {
    struct sigaction ignore {}, saved {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &saved);
    (void)write_all(fd, input);
    ::sigaction(SIGPIPE, &saved, nullptr);
}

[[noreturn]] void in_child(const ChildPlan& plan, int in, int out, int err) {
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);  // not even through a core-dump helper
    if ((!plan.cwd.empty() && ::chdir(plan.cwd.c_str()) != 0) || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
        ::dup2(err, 2) < 0)
        ::_exit(127);
    if (plan.closed_fd >= 0) ::close(plan.closed_fd);
    ::signal(SIGINT, plan.ignore_sigint ? SIG_IGN : SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (plan.body) {
        try {
            plan.body();
        } catch (...) {
            ::_exit(91);
        }
        ::_exit(0);
    }
    ::execl(plan.program.c_str(), plan.program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

}  // namespace

double now_s() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

ChildOutcome run_child(const ChildPlan& plan) {
    Fd out_r, out_w, err_r, err_w, in, held;
    make_pipe(out_r, out_w);
    make_pipe(err_r, err_w);
    if (plan.hold_stdin) {
        make_pipe(in, held);
    } else if (!plan.stdin_path.empty()) {
        in.fd = ::open(plan.stdin_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in.fd < 0) setup_failed(plan.stdin_path.c_str());
    } else {
        in.fd = text_file(plan.input);
    }
    std::fflush(nullptr);  // a child that runs a body must not write this process's buffered output again
    const double t0 = now_s();
    const pid_t pid = ::fork();
    if (pid < 0) setup_failed("fork");
    if (pid == 0) in_child(plan, in.fd, out_w.fd, err_w.fd);
    out_w.close();
    err_w.close();
    in.close();
    if (plan.hold_stdin) {
        feed(held.fd, plan.input);
        if (plan.signal == 0) held.close();
    }

    ChildOutcome r;
    const double deadline = t0 + plan.timeout_s;
    double signal_at = -1.0;     // known once the output holds the text
    std::size_t searched = 0;    // the output before this holds no whole copy of the text
    char buf[65536];
    while (out_r.fd >= 0 || err_r.fd >= 0) {
        const double now = now_s();
        if (now >= deadline) break;
        const bool pending = plan.signal != 0 && !r.signal_sent && signal_at >= 0;
        if (pending && now >= signal_at && out_r.fd >= 0) {
            ::kill(pid, plan.signal);  // not yet reaped: the id is still this child's
            r.signal_sent = true;
            r.signal_sent_s = now - t0;
            held.close();
        }
        double wait_s = deadline - now;
        if (pending && !r.signal_sent) wait_s = std::min(wait_s, signal_at - now);
        pollfd fds[2];
        int n = 0;
        for (const Fd* f : {&out_r, &err_r})
            if (f->fd >= 0) fds[n++] = {f->fd, POLLIN, 0};
        const int ready = ::poll(fds, static_cast<nfds_t>(n), wait_s <= 0 ? 0 : static_cast<int>(std::ceil(wait_s * 1000)));
        if (ready < 0 && errno != EINTR) break;
        for (int k = 0; k < n && ready > 0; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Fd& from = fds[k].fd == out_r.fd ? out_r : err_r;
            const ssize_t got = ::read(from.fd, buf, sizeof buf);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) from.close();
            if (got <= 0) continue;
            std::string& to = &from == &out_r ? r.out : r.err;
            to.append(buf, static_cast<std::size_t>(got));
            if (&from != &out_r) continue;
            const double t = now_s();
            if (r.first_output_s < 0) r.first_output_s = t - t0;
            const std::string& text = plan.signal_when_output_has;
            if (plan.signal != 0 && signal_at < 0 && r.out.find(text, searched) != std::string::npos)
                signal_at = t + plan.signal_delay_s;
            searched = r.out.size() > text.size() ? r.out.size() - text.size() : 0;
            if (!plan.mark.empty() && r.mark_s < 0 && r.out.find(plan.mark) != std::string::npos) r.mark_s = t - t0;
        }
    }
    held.close();
    int status = 0;
    for (;;) {
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid || (w < 0 && errno != EINTR)) break;
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
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.term_signal = WTERMSIG(status);
    }
    return r;
}

std::string zeplo1_path() {
    if (const char* p = std::getenv("ZEPLO1")) return p;
    return ZEPLO1_PATH;
}

bool has_sanitizer_report(const std::string& err) {
    for (const char* s : {"AddressSanitizer", "UndefinedBehaviorSanitizer", "LeakSanitizer", "runtime error:",
                          "SUMMARY: "})
        if (err.find(s) != std::string::npos) return true;
    return false;
}

}  // namespace zeplo::test
