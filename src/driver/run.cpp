// The stages of one run in their fixed order.
#include "records.hpp"
#include "stages.hpp"

namespace zeplo {

void run(RunState& s) {
    read_record(s);
    forward_spectrum(s);
    site_amplification(s);
    spectral_shaping(s);
    output_stage(s);
    rec::stop();
}

}  // namespace zeplo
