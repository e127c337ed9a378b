// zeplo1: one-dimensional SH site response of a layered soil column.
//
// One run is one pass through a fixed dialog: the acceleration record, its
// spectrum, the soil profile and its amplification, the shaping of the
// spectrum, and the output files S_amp1, amp_dat and zeplo_dat.
#include <chrono>
#include <new>
#include <thread>

#include "large_page_block.hpp"
#include "records.hpp"
#include "spinning_workers.hpp"
#include "stages.hpp"

namespace {

// The kept workers, once started: they live as long as the program.
zeplo::Workers* kept_workers = nullptr;

}  // namespace

int main() {
    zeplo::rec::start_run("zeplo1");
    void* block = zeplo::large_page_block(sizeof(zeplo::RunState));
    zeplo::RunState& state = block ? *new (block) zeplo::RunState : *new zeplo::RunState;
    // The workers start while a long record is read, so that they are
    // running when the transfer function needs them.
    state.start_workers = []() -> zeplo::Workers* {
        if (!kept_workers) {
            const unsigned cores = std::thread::hardware_concurrency();
            kept_workers = &zeplo::SpinningWorkers::start(cores > 1 ? static_cast<int>(cores) - 1 : 0,
                                                          std::chrono::milliseconds(200));
        }
        return kept_workers;
    };
    zeplo::run(state);
}
