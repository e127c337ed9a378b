// What the failure report needs to know about the statement in progress: the
// unit in use, the field list in force and the kind of the last statement started.
#pragma once

namespace zeplo::rec {

struct IoState {
    int unit = -1;                    // unit of the current statement or open; -1: none yet
    bool reading = false;             // the last statement started reads (else writes); every
                                      // statement of the program is sequential, formatted, external
    const char* field_list = nullptr; // "list io" during and after a free-format statement
};

IoState& io_state();

// A statement starts: records its kind and unit. A fixed-format statement sets
// its field list; a free-format one sets "list io".
void begin_statement(int unit, bool reading, const char* field_list);

// A fixed-format statement that completed clears the current field list; a
// free-format statement leaves "list io" in place.
void end_fixed_statement();

}  // namespace zeplo::rec
