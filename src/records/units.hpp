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
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>

namespace zeplo::rec {

inline constexpr int kUnitCount = 100;
inline constexpr int kStderrUnit = 0;
inline constexpr int kStdinUnit = 5;
inline constexpr int kStdoutUnit = 6;
inline constexpr int kEof = -1;

// Longest file name a unit keeps (the program's names are at most 30 characters).
inline constexpr int kNameCapacity = 256;

struct Unit {
    int fd = -1;                  // -1: not connected
    bool console = false;         // units 0, 5, 6: never closed, no name
    int closed_errno = 0;         // console stream that was closed when the run started
    bool named = false;
    char name[kNameCapacity + 1] = {};
    bool last_was_write = false;  // decides whether the close cuts the file
    long long committed = 0;      // bytes of whole records handed to the OS

    // Output side of a file unit: whole records not yet handed to the OS.
    static constexpr int kOutputCapacity = 16384;
    char out[kOutputCapacity];
    std::atomic<int> out_fill{0};  // grows by whole records only

    // Input side: a read-ahead buffer with one character of push-back.
    unsigned char buf[8192];
    int pos = 0;
    int len = 0;
    int pushback = -2;            // -2: nothing pushed back
    bool at_end = false;          // the data of this unit has ended (sticky)
    int read_errno = 0;           // errno of a failed read(2), 0 if none
};

// The unit table. Valid unit numbers are 0 .. kUnitCount-1.
Unit& unit(int number);

// Connects units 0, 5 and 6 to the standard streams (done once at run start).
void connect_console_units();

// Opens `name_field` (its trailing blanks removed) on `number` with status
// "old" (must exist) or "unknown" (created when missing, emptied when present);
// the status word is compared without regard to case. Failures end the run with
// the fatal report: error 107 for an empty name, the system's error otherwise.
void open_unit(int number, std::string_view name_field, std::string_view status);

// Flushes and closes a file unit; console units stay connected.
void close_unit(int number);

// Closes every unit that is still open. Safe to call from a signal handler and
// more than once.
void close_all() noexcept;

// Hands one whole record (already holding its line end) to the unit's file.
// A failed write ends the run with the fatal report (context "write end").
void put_record(int number, const char* data, std::size_t size);

// Character input with the end of data made sticky: once the unit has met the
// end of its data, every further call returns kEof.
int get_char(Unit& u);
// Pushes one character back (kEof is ignored).
void unget_char(Unit& u, int c);

}  // namespace zeplo::rec
