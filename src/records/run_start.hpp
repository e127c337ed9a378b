// How a run begins and ends.
#pragma once

namespace zeplo::rec {

// Installs the signal handlers (floating-point exception, abort, interrupt
// unless it is being ignored, termination), connects the console units and
// registers the close-all step to run at exit.
void start_run();

// The normal end of the run: nothing printed, every unit closed, status 0.
[[noreturn]] void stop();

}  // namespace zeplo::rec
