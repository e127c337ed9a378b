// How a run begins and ends.
#pragma once

#include "hooks.hpp"

namespace zeplo::rec {

// Installs the signal handlers (floating-point exception, abort, interrupt
// unless it is being ignored, termination), connects the console units,
// registers the close-all step to run at exit and names the program in its own
// messages (refusals).
void start_run(const char* program);

// The normal end of the run: nothing printed, every unit closed, status 0.
[[noreturn]] void stop();

// Ends the run with `status` through exit(), so that every unit is closed.
[[noreturn]] void end_run(int status);

// Leaves the record layer as a fresh process finds it, for in-process runs one
// after another: every file unit closed, the console units connected again, no
// statement in progress, no pending output record. The hooks and the program's
// name stay as they are.
void reset();

// Names the program in its own messages without starting a run (in-process runs).
void set_program_name(const char* program);

}  // namespace zeplo::rec
