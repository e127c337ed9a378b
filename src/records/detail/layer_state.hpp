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

struct LayerState {
    Unit units[kUnitCount];
    StatementState statement;
    OutputRecord record;
    FatalHook fatal_hook = nullptr;
    ExitHook exit_hook = nullptr;
    const char* program = nullptr;  // prefix of the program's own messages
};

LayerState& layer();

}  // namespace zeplo::rec::detail
