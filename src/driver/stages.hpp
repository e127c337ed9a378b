// The stages of one run, in the order the main program calls them.
#pragma once

#include "run_state.hpp"

namespace zeplo {

// The whole run: every stage in order, then the normal stop.
[[noreturn]] void run(RunState& s);

// Asks for the acceleration file, reads it, chooses the transform length and
// loads the working spectrum (stops the run when the record is too long).
void read_record(RunState& s);
// Forward transform, frequency grid and its report, scaling by dt.
void forward_spectrum(RunState& s);
// Soil profile, transfer function, amplification table, amplified spectrum.
void site_amplification(RunState& s);
// Integration or differentiation and the band-pass taper.
void spectral_shaping(RunState& s);
// Spectrum file, inverse transform, summary and output wave file.
void output_stage(RunState& s);

}  // namespace zeplo
