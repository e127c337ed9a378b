// Opening and closing file units, with failures ending the run.
#pragma once

#include <string_view>

namespace zeplo::rec {

// Opens `name_field` (its trailing blanks removed) on `number` with status
// "old" (must exist) or "unknown" (created when missing, emptied when present);
// the status word is compared without regard to case. A unit still open is
// closed first. Failures end the run with the fatal report: error 107 for an
// empty name, the system's error otherwise.
void open_unit(int number, std::string_view name_field, std::string_view status);

// Flushes and closes a file unit; console units stay connected. A refused
// write ends the run with the fatal report.
void close_unit(int number);

}  // namespace zeplo::rec
