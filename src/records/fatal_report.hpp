// The report that ends the run when a read, write or open cannot go on.
#pragma once

#include "hooks.hpp"

namespace zeplo::rec {

// Writes the failure report for error number `n` in the step named `context`
// ("open", "fmt", "list in", ...) on standard error, closes every unit and ends
// the process through abort().
//
// First line by n: 100..131 the record layer's message for n, -1 "end of file",
// 0..99 the system's text for that error number, anything else "illegal error
// number n". Then the unit in use, the field list in force (if any) and the kind
// of the last statement started.
[[noreturn]] void fatal(int n, const char* context);

// The report's text, as fatal() would write it (at most `size` - 1 characters
// and a terminating NUL). Returns the length.
int compose_report(int n, const char* context, char* out, int size);

// In-process runs replace the ending through set_fatal_hook() (hooks.hpp).

}  // namespace zeplo::rec
