// Shared pieces of the fuzz targets: hooks that turn the record layer's two
// ways of ending a run into exceptions, a scratch folder and the check that
// stops the fuzzer. Between inputs the targets call rec::reset().
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "hooks.hpp"
#include "run_start.hpp"

namespace zeplo::fuzz {

// The fatal report, caught: an expected outcome for malformed input.
struct FatalEnd {
    int n;
    const char* context;
};
// The end of a run through exit (normal stop: 0, refusal: 1).
struct ExitEnd {
    int status;
};

[[noreturn]] inline void throw_fatal(int n, const char* context, const char*) { throw FatalEnd{n, context}; }
[[noreturn]] inline void throw_exit(int status) { throw ExitEnd{status}; }

// Where a failed check is told: a copy of standard error taken before
// libFuzzer's -close_fd_mask can send descriptor 2 to /dev/null.
inline int& report_fd() {
    static int fd = 2;
    return fd;
}

[[noreturn]] __attribute__((format(printf, 4, 5))) inline void fail(const char* file, int line, const char* what,
                                                                    const char* format, ...) {
    char text[4096];
    int n = std::snprintf(text, sizeof text, "\n==== fuzz check failed at %s:%d: %s\n     ", file, line, what);
    va_list args;
    va_start(args, format);
    if (n >= 0 && n < static_cast<int>(sizeof text)) n += std::vsnprintf(text + n, sizeof text - n, format, args);
    va_end(args);
    if (n > static_cast<int>(sizeof text) - 2) n = static_cast<int>(sizeof text) - 2;
    text[n++] = '\n';
    (void)!::write(report_fd(), text, static_cast<std::size_t>(n));
    __builtin_trap();
}

#define FUZZ_CHECK(cond, ...)                                              \
    do {                                                                   \
        if (!(cond)) ::zeplo::fuzz::fail(__FILE__, __LINE__, #cond, __VA_ARGS__); \
    } while (0)

// Installs both hooks and keeps a copy of standard error (call once, from
// LLVMFuzzerInitialize).
inline void install_hooks() {
    const int fd = ::fcntl(2, F_DUPFD_CLOEXEC, 10);
    if (fd >= 0) report_fd() = fd;
    rec::set_fatal_hook(throw_fatal);
    rec::set_exit_hook(throw_exit);
}

// A folder for the files an input needs, made once per process under $TMPDIR,
// else under /dev/shm when it can be written (every input writes and reads a
// few files: in memory that goes several times faster than on a disk), else
// under /tmp. Removed when the process exits normally.
class ScratchDir {
public:
    ScratchDir() {
        const char* env = std::getenv("TMPDIR");
        const char* base = env && *env ? env : ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string templ = std::string(base) + "/zeplo-fuzz-XXXXXX";
        if (!::mkdtemp(templ.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = templ;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline const ScratchDir& scratch() {
    static ScratchDir dir;
    return dir;
}

inline void write_file(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w <= 0) {
            std::perror(path.c_str());
            std::abort();
        }
        done += static_cast<std::size_t>(w);
    }
    ::close(fd);
}

// The whole file, or false when it does not exist.
inline bool read_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r <= 0) break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    ::close(fd);
    return true;
}

}  // namespace zeplo::fuzz

// Every target installs the hooks once, before its first input. (Each target is
// its own program and includes this header once.)
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeplo::fuzz::install_hooks();
    return 0;
}
