// Runs of the record layer inside the test's own process: its two ways of
// ending a run turned into exceptions, the console redirected to files, a
// scratch folder as the working folder (header only: the fuzz targets use it
// too).
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "hooks.hpp"
#include "run_start.hpp"
#include "scratch_dir.hpp"
#include "units.hpp"

namespace zeplo::test {

// The failure report, caught: the error number, the step and the whole report.
struct FatalError : std::runtime_error {
    FatalError(int n, std::string context, std::string report)
        : std::runtime_error(report), n(n), context(std::move(context)), report(std::move(report)) {}
    int n;
    std::string context;
    std::string report;
};

// The end of a run through exit (normal stop: 0, refusal: 1).
struct ExitCalled : std::runtime_error {
    explicit ExitCalled(int status) : std::runtime_error("exit " + std::to_string(status)), status(status) {}
    int status;
};

[[noreturn]] inline void throw_fatal(int n, const char* context, const char* report) {
    throw FatalError(n, context, report);
}
[[noreturn]] inline void throw_exit(int status) { throw ExitCalled(status); }

// Both ends throw while the object lives; at its end the record layer is left
// as a fresh process finds it and the normal ends are back.
class ThrowingHooks {
public:
    ThrowingHooks() {
        rec::set_fatal_hook(throw_fatal);
        rec::set_exit_hook(throw_exit);
    }
    ~ThrowingHooks() {
        rec::reset();
        rec::set_fatal_hook(nullptr);
        rec::set_exit_hook(nullptr);
    }
    ThrowingHooks(const ThrowingHooks&) = delete;
    ThrowingHooks& operator=(const ThrowingHooks&) = delete;
};

// Standard input reads the file `input` and standard output goes to the file
// `output` (emptied) while the object lives; the console units follow.
class ConsoleRedirect {
public:
    ConsoleRedirect(const std::string& input, const std::string& output) {
        std::fflush(stdout);
        saved_in_ = ::fcntl(0, F_DUPFD_CLOEXEC, 10);
        saved_out_ = ::fcntl(1, F_DUPFD_CLOEXEC, 10);
        const int fi = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        const int fo = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool ok = saved_in_ >= 0 && saved_out_ >= 0 && fi >= 0 && fo >= 0 && ::dup2(fi, 0) == 0 &&
                        ::dup2(fo, 1) == 1;
        for (int fd : {fi, fo})
            if (fd >= 0) ::close(fd);
        if (!ok) {
            restore();
            throw std::runtime_error("cannot redirect the console to " + input + " and " + output);
        }
        rec::connect_console_units();
    }
    ~ConsoleRedirect() { restore(); }
    ConsoleRedirect(const ConsoleRedirect&) = delete;
    ConsoleRedirect& operator=(const ConsoleRedirect&) = delete;

private:
    void restore() {
        for (auto [saved, fd] : {std::pair{saved_in_, 0}, std::pair{saved_out_, 1}})
            if (saved >= 0) {
                ::dup2(saved, fd);
                ::close(saved);
            }
        saved_in_ = saved_out_ = -1;
        rec::connect_console_units();
    }
    int saved_in_ = -1;
    int saved_out_ = -1;
};

// `folder` is the working folder while the object lives.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : saved_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (saved_ < 0 || ::chdir(folder.c_str()) != 0) {
            if (saved_ >= 0) ::close(saved_);
            throw std::runtime_error("cannot work in " + folder);
        }
    }
    ~InFolder() {
        if (::fchdir(saved_) != 0) std::perror("returning to the working folder");
        ::close(saved_);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    int saved_;
};

// Stages of the dialog run in-process: a scratch folder as the working folder,
// both ends throwing, answers fed from text.
class InProcessRun {
public:
    ScratchDir dir;

    void put(const std::string& name, const std::string& content) const { write_file(dir.file(name), content); }
    std::string contents(const std::string& name) const { return read_file(dir.file(name)); }
    // Calls `step` with `answers` on standard input; returns what it wrote on
    // standard output (an exception from `step` goes on).
    template <class Step>
    std::string with_answers(const std::string& answers, Step&& step) const {
        put(".answers", answers);
        {
            const ConsoleRedirect console(dir.file(".answers"), dir.file(".console"));
            step();
        }
        return contents(".console");
    }

private:
    InFolder folder_{dir.path()};
    ThrowingHooks hooks_;
};

}  // namespace zeplo::test
