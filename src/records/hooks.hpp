// How in-process runs (tests, fuzzers) replace the two ways a run ends.
#pragma once

namespace zeplo::rec {

// Receives the error number, the step and the composed failure report; must
// not return (it throws).
using FatalHook = void (*)(int n, const char* context, const char* report);
// Receives the exit status; must not return (it throws).
using ExitHook = void (*)(int status);

// nullptr restores the normal ending (abort after the report; exit()).
void set_fatal_hook(FatalHook hook);
void set_exit_hook(ExitHook hook);

}  // namespace zeplo::rec
