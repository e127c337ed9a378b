// The fuzz targets' own pieces: the check that stops the fuzzer, the scratch
// folder in memory, and the start-up hook that makes the record layer's two
// ways of ending a run throw (test::FatalError, test::ExitCalled). Between
// inputs the targets call rec::reset().
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "in_process.hpp"
#include "run_start.hpp"
#include "scratch_dir.hpp"

namespace zeplo::fuzz {

using test::ExitCalled;
using test::FatalError;
using test::file_exists;
using test::read_file;
using test::write_file;

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

// A folder for the files an input needs, made once per process (every input
// writes and reads a few files: in memory that goes several times faster than
// on a disk). Removed when the process exits normally.
inline const test::ScratchDir& scratch() {
    static const test::ScratchDir dir("zeplo-fuzz-", test::memory_base());
    return dir;
}

}  // namespace zeplo::fuzz

// Every target installs the hooks and keeps a copy of standard error once,
// before its first input. (Each target is its own program and includes this
// header once.)
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const int fd = ::fcntl(2, F_DUPFD_CLOEXEC, 10);
    if (fd >= 0) zeplo::fuzz::report_fd() = fd;
    zeplo::rec::set_fatal_hook(zeplo::test::throw_fatal);
    zeplo::rec::set_exit_hook(zeplo::test::throw_exit);
    return 0;
}
