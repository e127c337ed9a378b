#include "run_start.hpp"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "detail/layer_state.hpp"
#include "signal_safe.hpp"
#include "units.hpp"

namespace zeplo::rec {
namespace {

// Everything here is async-signal-safe: the message goes straight to the
// descriptor, and close_all() only cuts files back to their last whole record
// and closes descriptors.
extern "C" void on_signal(int sig) {
    switch (sig) {
        case SIGFPE:
            say("Floating Exception\n");
            break;
        case SIGABRT:
            say("IOT Trap\n");
            break;
        case SIGINT:
            say("Interrupt\n");
            break;
        default:
            say("Killed\n");
            break;
    }
    close_all();
    if (sig == SIGFPE || sig == SIGABRT) {
        std::signal(SIGABRT, SIG_DFL);
        std::abort();
    }
    ::_exit(1);
}

void install(int sig) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    // One handler at a time: a second signal waits until the first has ended the run.
    for (int s : {SIGFPE, SIGABRT, SIGINT, SIGTERM}) sigaddset(&sa.sa_mask, s);
    sigaction(sig, &sa, nullptr);
}

extern "C" void close_all_at_exit() { close_all(); }

}  // namespace

void start_run(const char* program) {
    set_program_name(program);
    install(SIGFPE);
    install(SIGABRT);
    struct sigaction current;
    if (sigaction(SIGINT, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) install(SIGINT);
    install(SIGTERM);
    connect_console_units();
    std::atexit(close_all_at_exit);
}

void set_exit_hook(ExitHook hook) { detail::layer().exit_hook = hook; }

void set_program_name(const char* program) { detail::layer().program = program; }

void end_run(int status) {
    if (const ExitHook hook = detail::layer().exit_hook) hook(status);
    std::exit(status);
}

void reset() {
    close_all();
    detail::LayerState& s = detail::layer();
    s.record.clear();
    s.statement = detail::StatementState{};
    for (detail::Unit& u : s.units) {
        u.named = false;
        u.name[0] = '\0';
        u.reset_input();
    }
    connect_console_units();
}

void stop() { end_run(0); }

}  // namespace zeplo::rec
