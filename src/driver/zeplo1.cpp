// zeplo1: one-dimensional SH site response of a layered soil column.
//
// One run is one pass through a fixed dialog: the acceleration record, its
// spectrum, the soil profile and its amplification, the shaping of the
// spectrum, and the output files S_amp1, amp_dat and zeplo_dat.
#include <new>

#include "large_page_block.hpp"
#include "records.hpp"
#include "stages.hpp"

int main() {
    zeplo::rec::start_run("zeplo1");
    void* block = zeplo::large_page_block(sizeof(zeplo::RunState));
    zeplo::RunState& state = block ? *new (block) zeplo::RunState : *new zeplo::RunState;
    zeplo::run(state);
}
