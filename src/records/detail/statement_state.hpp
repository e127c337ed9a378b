// What the failure report needs to know about the statement in progress: the
// unit in use, the field list in force and the kind of the last statement started.
#pragma once

namespace zeplo::rec::detail {

struct StatementState {
    int unit = -1;                    // unit of the current statement or open; -1: none yet
    bool reading = false;             // the last statement started reads (else writes); every
                                      // statement of the program is sequential, formatted, external
    const char* field_list = nullptr; // "list io" during and after a free-format statement
};

}  // namespace zeplo::rec::detail
