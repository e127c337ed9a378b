// How a run begins and ends.
#pragma once

namespace zeplo::rec {

// Installs the signal handlers (floating-point exception, abort, interrupt
// unless it is being ignored, termination), connects the console units and
// registers the close-all step to run at exit.
void start_run();

// The normal end of the run: nothing printed, every unit closed, status 0.
[[noreturn]] void stop();

// Ends the run with `status` through exit(), so that every unit is closed.
[[noreturn]] void end_run(int status);

// Tests and fuzzers that run the stages in-process replace the exit: the hook
// receives the status and must not return (it throws). nullptr restores exit().
using ExitHook = void (*)(int status);
void set_exit_hook(ExitHook hook);

}  // namespace zeplo::rec
