// Shaping of the amplified spectrum: integration or differentiation over time
// and a trapezoidal band-pass taper.
#include "records.hpp"
#include "stages.hpp"

namespace zeplo {
namespace {

constexpr int kIntegrate = 1;
constexpr int kDifferentiate = 2;
constexpr int kBandPass = 1;

// Taper factor of a line at angular frequency omega: 0 outside oml1..omh2,
// ramps on oml1..oml2 and omh1..omh2, 1 between. The tests run in this order
// whatever the order of the corners; the falling ramp replaces the rising one.
float taper(float omega, float oml1, float oml2, float omh1, float omh2) {
    if (omega <= oml1 || omega >= omh2) return 0.0f;
    float aa = 1.0f;
    if (omega < oml2) aa = (omega - oml1) / (oml2 - oml1);
    if (omega > omh1) aa = (omh2 - omega) / (omh2 - omh1);
    return aa;
}

}  // namespace

void spectral_shaping(RunState& s) {
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " You can integrate or differentiate the original wave.;");
    rec::write_list(rec::kStdoutUnit, "   Do not change   (Enter -> 0),");
    rec::write_list(rec::kStdoutUnit, "   Integrate       (Enter -> 1),");
    rec::write_list(rec::kStdoutUnit, "   Differentiate   (Enter -> 2):");
    rec::read_list(rec::kStdinUnit, s.nyes);
    rec::write_list(rec::kStdoutUnit);
    rec::write_list(rec::kStdoutUnit, " Band Pass Filter? (Yes=1 or No=0) :");
    rec::read_list(rec::kStdinUnit, s.nbd);

    s.oml1 = 0.0f;
    s.omh2 = 99999.9f;
    if (s.nbd == kBandPass) {
        rec::write_list(rec::kStdoutUnit, "   Data for TRAPEZOIDAL BAND PASS FILTER:");
        rec::write_list(rec::kStdoutUnit, "   INITIAL AND FINAL OMs =", 0, static_cast<float>(s.ndata - 1) * s.dom);
        rec::write_list(rec::kStdoutUnit);
        rec::write_list(rec::kStdoutUnit, "   Enter OML1,OML2,OMH1 and OMH2 (OML1<OML2<OMH1<OMH2): ");
        rec::read_list(rec::kStdinUnit, s.oml1, s.oml2, s.omh1, s.omh2);
    }

    s.fx1[0] = Complex{0.0f, 0.0f};
    for (int k = 2; k <= s.ndata; ++k) {
        const float omega = static_cast<float>(k - 1) * s.dom;
        const float aa = s.nbd == kBandPass ? taper(omega, s.oml1, s.oml2, s.omh1, s.omh2) : 1.0f;
        Complex line{aa * s.xr1[k - 1], aa * s.xi1[k - 1]};
        if (s.nyes == kIntegrate) {
            // Division by i*omega.
            line = Complex{line.im / omega, -line.re / omega};
        } else if (s.nyes == kDifferentiate) {
            // (omega * line) * i.
            line = Complex{-(omega * line.im), omega * line.re};
        }
        s.fx1[k - 1] = line;
    }
}

}  // namespace zeplo
