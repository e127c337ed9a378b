// The record layer's whole state, in one object: the unit table, the statement
// in progress, the pending output record, the two hooks and the program's name.
// It has static storage, so that the signal handlers reach it without taking a
// lock or allocating.
#pragma once

#include "detail/output_record.hpp"
#include "detail/statement_state.hpp"
#include "detail/unit.hpp"
#include "hooks.hpp"

namespace zeplo::rec::detail {

inline constexpr int kUnitCount = 100;

// The units' buffers, zero-filled static storage.
extern UnitBuffers unit_buffers[kUnitCount];

struct LayerState {
    Unit units[kUnitCount];
    StatementState statement;
    OutputRecord record;
    FatalHook fatal_hook = nullptr;
    ExitHook exit_hook = nullptr;
    const char* program = nullptr;  // prefix of the program's own messages

    constexpr LayerState() {
        for (int k = 0; k < kUnitCount; ++k) units[k].use(unit_buffers[k]);
    }
};

// The state is built when the program is loaded, not when first used: no
// guard on each access, and nothing written at run time to pages no run needs.
extern constinit LayerState layer_state;

inline LayerState& layer() { return layer_state; }

}  // namespace zeplo::rec::detail
