// Units: numbered channels to the console and to files.
//
// Unit 0 is standard error, 5 standard input and 6 standard output; they are
// connected when the run starts and never closed. Other units are connected to
// files by open_unit() and disconnected by close_unit() or, at the end of the
// run, by close_all().
//
// Console lines are handed to the operating system one whole record at a time,
// so that every prompt is visible before the program waits for its answer.
// A file unit collects whole records in its own buffer and hands them over when
// the buffer fills and at the close, with signals held back meanwhile. So a
// signal handler always finds the file holding whole records and the buffer
// holding the whole records that follow them: close_all() writes those, cuts
// the file after them and closes it, all of it async-signal-safe.
//
// The functions here report failures by their result; open_unit() and
// close_unit() in open_close.hpp turn them into the failure report.
#pragma once

#include <cstddef>
#include <string_view>

#include "detail/unit.hpp"
#include "field_error.hpp"

namespace zeplo::rec {

inline constexpr int kStderrUnit = 0;
inline constexpr int kStdinUnit = 5;
inline constexpr int kStdoutUnit = 6;
using fields::kEof;

// The name a unit was opened with ("" for a console unit or a unit never opened).
const char* unit_name(int number);

// Connects units 0, 5 and 6 to the standard streams (done at run start, and
// again by in-process runs that redirect the streams).
void connect_console_units();

// Closes every unit that is still open. Safe to call from a signal handler and
// more than once.
void close_all() noexcept;

namespace detail {

// The unit table. Valid unit numbers are 0 .. kUnitCount-1.
Unit& unit(int number);

// Opens `name_field` (its trailing blanks removed) on `number` with status
// "old" (must exist) or "unknown" (created when missing, emptied when present);
// the status word is compared without regard to case. Returns 0, 107 for an
// empty name, or the system's error number.
int connect(int number, std::string_view name_field, std::string_view status);

// Hands the buffered records of a file unit to the OS and disconnects it.
// Returns 0 or the system's error number of a refused write (the unit is
// disconnected either way).
int disconnect_file(int number);

// Hands one whole record (already holding its line end) to the unit's file.
// Returns 0 or the system's error number of a refused write.
int put_record(int number, const char* data, std::size_t size);

}  // namespace detail
}  // namespace zeplo::rec
