// One unit: a numbered channel to a console stream or a file, with the file's
// output buffer and the input side's read-ahead.
#pragma once

#include <atomic>

#include "char_source.hpp"

namespace zeplo::rec::detail {

// Longest file name a unit keeps (the program's names are at most 30 characters).
inline constexpr int kNameCapacity = 256;

// A unit's buffers. They are kept apart from the units, in zero-filled
// storage of their own, so that a unit never used costs no memory: only the
// pages of the buffers a run uses are ever touched.
struct UnitBuffers {
    static constexpr int kOutputCapacity = 16384;
    static constexpr int kInputCapacity = 8192;
    char out[kOutputCapacity];
    unsigned char in[kInputCapacity];
};

struct Unit final : fields::CharSource {
    constexpr Unit() = default;
    // Binds the unit to its buffers (once, when the table is built).
    constexpr void use(UnitBuffers& b) {
        out = b.out;
        buf = b.in;
    }

    int fd = -1;                  // -1: not connected
    bool console = false;         // units 0, 5, 6: never closed, no name
    int closed_errno = 0;         // console stream that was closed when the run started
    bool named = false;
    char name[kNameCapacity + 1] = {};
    bool last_was_write = false;  // decides whether the close cuts the file
    long long committed = 0;      // bytes of whole records handed to the OS

    // Output side of a file unit: whole records not yet handed to the OS, in
    // `out` (kOutputCapacity bytes).
    static constexpr int kOutputCapacity = UnitBuffers::kOutputCapacity;
    char* out = nullptr;
    std::atomic<int> out_fill{0};  // grows by whole records only

    // Input side: a read-ahead buffer (kInputCapacity bytes) with one
    // character of push-back.
    static constexpr int kInputCapacity = UnitBuffers::kInputCapacity;
    unsigned char* buf = nullptr;
    int pos = 0;
    int len = 0;
    int pushback = -2;            // -2: nothing pushed back
    bool ended = false;           // the data of this unit has ended (sticky)
    int read_errno = 0;           // errno of a failed read(2), 0 if none
    bool source_ended = false;    // read(2) has met the end (or failed); the buffer may still hold data
    int peek_errno = 0;           // errno of that failed read(2), told once the buffer is used up

    int error() const override { return read_errno; }

    // Bytes of the buffer taken so far, a pushed-back character not counted.
    int taken() const {
        const int at = window_next() ? static_cast<int>(window_next() - buf) : pos;
        return pushback != -2 && at > 0 ? at - 1 : at;
    }

    // Forgets the input side: the next read starts at the file's current
    // position (a unit just connected, or the layer started again).
    void reset_input() {
        set_window(nullptr, nullptr, nullptr);
        pos = 0;
        len = 0;
        pushback = -2;
        ended = false;
        read_errno = 0;
        source_ended = false;
        peek_errno = 0;
    }

private:
    // Character input with the end of data made sticky: once the unit has met
    // the end of its data, every further call returns kEof. The window holds
    // the buffered bytes up to the next carriage return, which is looked at
    // here (with the byte after it).
    int get_outside_window() override;
    void put_back(int c) override { pushback = c; }
    bool ended_outside_window() const override { return ended && pushback == -2; }
    // The next character after the window, the window then opened again.
    int take();
    void open_window();
    // The next byte of the file, or kEof (setting `ended`) once it has none.
    int next_byte();
    // Reads the next block into the buffer; false at the end of the file.
    bool fill();
};

}  // namespace zeplo::rec::detail
