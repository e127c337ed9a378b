// The spectrum of the record and the frequency grid every later stage works on.
#include "records.hpp"
#include "stages.hpp"
#include "wvfast.hpp"

namespace zeplo {
namespace {

constexpr double kTwoPiReport = 6.283185307;  // for the highest frequency report

}  // namespace

void forward_spectrum(RunState& s) {
    wvfast(s.nf, s.fx1, s.mm, -1);
    s.dur = static_cast<float>(s.nf) * s.dt;
    s.dom = kTwoPi / s.dur;
    s.nom = s.nf / 2 + 1;
    s.eom = static_cast<float>(s.nom) * s.dom;
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " DUR,DOM,NOM,EOM=", s.dur, s.dom, s.nom, s.eom);
    rec::write_list(rec::kStdoutUnit, " Highest Frequency (hz)=", static_cast<double>(s.eom) / kTwoPiReport);
    // Scaled by dt, the spectrum approximates the continuous Fourier transform.
    const Complex by_dt{s.dt, 0.0f};
    for (int k = 1; k <= s.nf; ++k) s.fx1[k - 1] = cmul(s.fx1[k - 1], by_dt);
}

}  // namespace zeplo
