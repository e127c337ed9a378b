#include "io_state.hpp"

namespace zeplo::rec {

IoState& io_state() {
    static IoState state;
    return state;
}

void begin_statement(int unit, bool reading, const char* field_list) {
    IoState& s = io_state();
    s.unit = unit;
    s.reading = reading;
    s.field_list = field_list;
}

void end_fixed_statement() { io_state().field_list = nullptr; }

}  // namespace zeplo::rec
