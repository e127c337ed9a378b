// Helpers shared by the tests: temporary folders, files, child processes and a
// way to observe the record layer's failure report without ending the test.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zeplo::test {

// A fresh folder under /tmp, removed with everything in it at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);  // split at '\n', no trailing empty line

struct ProcessResult {
    std::string out;
    std::string err;
    bool exited = false;  // ended through exit (status valid) rather than a signal
    int status = -1;
    int signal = 0;
};

struct RunOptions {
    // Standard input stays open after `input` (a pipe), so that the program
    // waits at its next prompt instead of meeting the end of its input.
    bool hold_stdin = false;
    // Signal sent once standard output holds `signal_when_output_has` (or, if
    // that is empty, `signal_after_ms` after the start, when not negative).
    int signal = 0;
    std::string signal_when_output_has;
    int signal_after_ms = -1;
    bool ignore_sigint = false;  // the program starts with the interrupt ignored
    int closed_fd = -1;          // a standard stream (0 or 1) the program starts without
};

// Runs `program` in folder `cwd` with `input` on standard input.
ProcessResult run_process(const std::string& program, const std::string& input, const std::string& cwd,
                          const RunOptions& options = {});

// The built program under test.
std::string zeplo1_path();

// Points standard input at `input` and standard output at a scratch file while
// the object lives, and reconnects the console units, so that in-process tests
// can drive a stage's dialog. output() is what was written so far.
class ConsoleRedirect {
public:
    explicit ConsoleRedirect(const std::string& input);
    ~ConsoleRedirect();
    ConsoleRedirect(const ConsoleRedirect&) = delete;
    ConsoleRedirect& operator=(const ConsoleRedirect&) = delete;
    std::string output() const;

private:
    TempDir dir_;
    int saved_in_ = -1;
    int saved_out_ = -1;
};

// Thrown by the record layer's failure hook in tests.
struct FatalError : std::runtime_error {
    FatalError(int n, std::string context, std::string report)
        : std::runtime_error(report), n(n), context(std::move(context)), report(std::move(report)) {}
    int n;
    std::string context;
    std::string report;
};

// Makes the record layer's failures throw FatalError while the object lives.
class CatchFatal {
public:
    CatchFatal();
    ~CatchFatal();
};

}  // namespace zeplo::test
