#include "test_support.hpp"

#include <cerrno>
#include <csignal>
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
                          int kill_signal, int kill_after_ms) {
    TempDir io;
    const std::string in = io.file("in"), out = io.file("out"), err = io.file("err");
    write_file(in, input);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fi = ::open(in.c_str(), O_RDONLY);
        const int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fi < 0 || fo < 0 || fe < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::dup2(fi, 0);
        ::dup2(fo, 1);
        ::dup2(fe, 2);
        ::close(fi);
        ::close(fo);
        ::close(fe);
        ::signal(SIGINT, SIG_DFL);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (kill_after_ms >= 0) {
        ::usleep(static_cast<useconds_t>(kill_after_ms) * 1000u);
        ::kill(pid, kill_signal);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
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

namespace {
[[noreturn]] void throw_fatal(int n, const char* context, const char* report) {
    throw FatalError(n, context, report);
}
}  // namespace

CatchFatal::CatchFatal() { rec::set_fatal_hook(throw_fatal); }
CatchFatal::~CatchFatal() { rec::set_fatal_hook(nullptr); }

}  // namespace zeplo::test
