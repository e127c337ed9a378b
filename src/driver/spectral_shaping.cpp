// Shaping of the amplified spectrum: integration or differentiation over time
// and a trapezoidal band-pass taper.
#include "records.hpp"
#include "stages.hpp"
#include "taper.hpp"

namespace zeplo {
namespace {

constexpr int kIntegrate = 1;
constexpr int kDifferentiate = 2;
constexpr int kBandPass = 1;

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
        const float aa = s.nbd == kBandPass ? taper_factor(omega, s.oml1, s.oml2, s.omh1, s.omh2) : 1.0f;
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
