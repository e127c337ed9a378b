// `zeplo run`: one site-response run from files into an output folder.
#pragma once

#include <string>

#include "motion.hpp"
#include "run_request.hpp"

namespace zeplo {

// The numbers a run reports (run.json; a batch's summary).
struct RunNumbers {
    int nt = 0;
    float dt = 0.0f;
    int nf = 0;
    float pga_in = 0.0f;     // largest |input sample|, in the output unit
    float pga_out = 0.0f;    // largest |output sample| of the written samples
    float peak_amp = 0.0f;   // largest |amplification| of the chosen column
    float peak_amp_hz = 0.0f;
    float out_min = 0.0f;    // the output wave's extremes over the transform
    float out_max = 0.0f;
    std::string unit;        // of the input and (before integration) output values
};

struct RunOutcome {
    RunNumbers numbers;
    std::string json;               // run.json as written
    std::vector<std::string> warnings;
};

// Reads the inputs, runs, and writes S_amp1, amp_dat, zeplo_dat and run.json
// into request.out (temporary names, renamed at the end: a failed run changes
// no file). Throws UserError (inputs, refusals) or OutputError.
RunOutcome execute_run(const RunRequest& request);

}  // namespace zeplo
