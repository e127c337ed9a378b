#include "test_support.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fatal_report.hpp"
#include "units.hpp"

namespace zeplo::test {

TempDir::TempDir() {
    char templ[] = "/tmp/zeplo-test-XXXXXX";
    const char* p = ::mkdtemp(templ);
    if (!p) throw std::runtime_error("mkdtemp failed");
    path_ = p;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << content;
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

ProcessResult run_process(const std::string& program, const std::string& input, const std::string& cwd,
                          const RunOptions& options) {
    TempDir io;
    const std::string in = io.file("in"), out = io.file("out"), err = io.file("err");
    write_file(in, input);
    int pipe_fds[2] = {-1, -1};
    if (options.hold_stdin && ::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fi = options.hold_stdin ? pipe_fds[0] : ::open(in.c_str(), O_RDONLY);
        const int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fi < 0 || fo < 0 || fe < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::dup2(fi, 0);
        ::dup2(fo, 1);
        ::dup2(fe, 2);
        for (int fd : {fi, fo, fe, pipe_fds[1]})
            if (fd > 2) ::close(fd);
        if (options.closed_fd >= 0) ::close(options.closed_fd);
        ::signal(SIGINT, options.ignore_sigint ? SIG_IGN : SIG_DFL);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (options.hold_stdin) {
        ::close(pipe_fds[0]);
        const char* p = input.data();
        std::size_t left = input.size();
        while (left > 0) {
            const ssize_t w = ::write(pipe_fds[1], p, left);
            if (w <= 0) break;
            p += w;
            left -= static_cast<std::size_t>(w);
        }
    }
    int status = 0;
    bool ended = false;
    if (!options.signal_when_output_has.empty()) {
        // Waits (at most 20 s) for the text, then signals.
        for (int waited = 0; waited < 20000; waited += 5) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                ended = true;
                break;
            }
            if (file_exists(out) && read_file(out).find(options.signal_when_output_has) != std::string::npos) {
                ::usleep(20000);  // the program reaches its read
                ::kill(pid, options.signal);
                break;
            }
            ::usleep(5000);
        }
    } else if (options.signal_after_ms >= 0) {
        ::usleep(static_cast<useconds_t>(options.signal_after_ms) * 1000u);
        ::kill(pid, options.signal);
    }
    if (options.hold_stdin) ::close(pipe_fds[1]);
    while (!ended && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProcessResult r;
    r.out = read_file(out);
    r.err = read_file(err);
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
    return r;
}

std::string zeplo1_path() {
    if (const char* p = std::getenv("ZEPLO1")) return p;
    return ZEPLO1_PATH;
}

ConsoleRedirect::ConsoleRedirect(const std::string& input) {
    write_file(dir_.file("in"), input);
    std::fflush(stdout);
    saved_in_ = ::dup(0);
    saved_out_ = ::dup(1);
    const int fi = ::open(dir_.file("in").c_str(), O_RDONLY);
    const int fo = ::open(dir_.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fi, 0);
    ::dup2(fo, 1);
    ::close(fi);
    ::close(fo);
    rec::connect_console_units();
}

ConsoleRedirect::~ConsoleRedirect() {
    ::dup2(saved_in_, 0);
    ::dup2(saved_out_, 1);
    ::close(saved_in_);
    ::close(saved_out_);
    rec::connect_console_units();
}

std::string ConsoleRedirect::output() const { return read_file(dir_.file("out")); }

namespace {
[[noreturn]] void throw_fatal(int n, const char* context, const char* report) {
    throw FatalError(n, context, report);
}
}  // namespace

CatchFatal::CatchFatal() { rec::set_fatal_hook(throw_fatal); }
CatchFatal::~CatchFatal() { rec::set_fatal_hook(nullptr); }

}  // namespace zeplo::test
