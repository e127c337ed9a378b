// The two steps the signal handlers and the failure report share with the
// normal paths: writing a whole buffer to a descriptor and holding back the
// signals that end a run. Both are async-signal-safe.
#pragma once

#include <csignal>
#include <cstddef>

namespace zeplo::rec {

// Hands all `size` bytes to `fd`, retrying after interruptions; false when the
// OS refuses them (errno tells why).
bool write_all(int fd, const char* data, std::size_t size) noexcept;

// Writes a NUL-terminated text to standard error, as far as it goes.
void say(const char* text) noexcept;

// Blocks the signals that end a run (interrupt, termination, floating-point
// exception, abort); `old`, when given, receives the mask in force before.
void block_run_signals(sigset_t* old) noexcept;

// Blocks them while the object lives.
class RunSignalsHeld {
public:
    RunSignalsHeld() noexcept { block_run_signals(&old_); }
    ~RunSignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    RunSignalsHeld(const RunSignalsHeld&) = delete;
    RunSignalsHeld& operator=(const RunSignalsHeld&) = delete;

private:
    sigset_t old_;
};

}  // namespace zeplo::rec
