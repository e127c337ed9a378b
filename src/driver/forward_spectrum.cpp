// The spectrum of the record and the frequency grid every later stage works on.
#include "records.hpp"
#include "stages.hpp"
#include "transform.hpp"

namespace zeplo {

void forward_spectrum(RunState& s) {
    s.grid = frequency_grid(s.nf, s.dt);
    forward_spectrum(s.spectrum(), s.dt, s.scratch());
    const FrequencyGrid& g = s.grid;
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " DUR,DOM,NOM,EOM=", g.dur, g.dom, g.nom, g.eom);
    rec::write_list(rec::kStdoutUnit, " Highest Frequency (hz)=", g.highest_hz());
}

}  // namespace zeplo
