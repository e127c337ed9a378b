// Child processes: the built program (or a piece of the test) run with its
// standard streams captured, a deadline and, if asked, a signal timed from its
// output.
#pragma once

#include <csignal>
#include <functional>
#include <string>

namespace zeplo::test {

// Whether this test program (and so the zeplo1 of the same build) was built
// with AddressSanitizer: the program is then several times slower, and the
// tests that run it many times scale their counts down.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif

struct ChildPlan {
    std::string program;          // run with no arguments, or else
    std::function<void()> body;   // run in the forked child, which then ends with status 0 (91 if it throws)
    std::string input;            // standard input (a file holding it), unless stdin_path names one
    std::string stdin_path;
    bool hold_stdin = false;      // `input` (at most a pipe's 64 KB) through a pipe that stays open until the
                                  // signal is sent: the program waits at its next prompt instead of meeting the end
    std::string cwd;              // the child's working folder (empty: this one)
    int closed_fd = -1;           // a standard stream (0 or 1) the child starts without
    bool ignore_sigint = false;   // the child starts with the interrupt ignored
    int signal = 0;               // sent signal_delay_s after standard output first holds
    std::string signal_when_output_has;  // this text (empty: any output)
    double signal_delay_s = 0.0;
    double timeout_s = 120.0;     // then SIGKILL, and the run counts as hung
    std::string mark;             // the time of its first appearance on standard output is noted
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

    bool aborted() const { return !exited && term_signal == SIGABRT; }
};

// Runs the plan; standard output and error are pipes read to their end. The
// child dumps no core. The signal goes to the child only, and not once it has
// closed its output (it has ended). Throws when the child cannot be started.
ChildOutcome run_child(const ChildPlan& plan);

// The built program under test ($ZEPLO1 if set).
std::string zeplo1_path();

// Seconds on a monotonic clock.
double now_s();

// Does the text carry a report of AddressSanitizer, UBSan or LeakSanitizer?
bool has_sanitizer_report(const std::string& err);

}  // namespace zeplo::test
