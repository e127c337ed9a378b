// Shaping of the amplified spectrum: integration or differentiation over time
// and a trapezoidal band-pass taper.
#include "records.hpp"
#include "shaping.hpp"
#include "stages.hpp"

namespace zeplo {
namespace {

constexpr int kIntegrate = 1;
constexpr int kDifferentiate = 2;
constexpr int kBandPass = 1;

Shape shape_of(int nyes) {
    if (nyes == kIntegrate) return Shape::integrate;
    if (nyes == kDifferentiate) return Shape::differentiate;
    return Shape::none;
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
    s.omh2 = kOpenCorner;
    if (s.nbd == kBandPass) {
        rec::write_list(rec::kStdoutUnit, "   Data for TRAPEZOIDAL BAND PASS FILTER:");
        rec::write_list(rec::kStdoutUnit, "   INITIAL AND FINAL OMs =", 0, line_omega(s.ndata, s.grid.dom));
        rec::write_list(rec::kStdoutUnit);
        rec::write_list(rec::kStdoutUnit, "   Enter OML1,OML2,OMH1 and OMH2 (OML1<OML2<OMH1<OMH2): ");
        rec::read_list(rec::kStdinUnit, s.oml1, s.oml2, s.omh1, s.omh2);
    }
    const Taper taper{s.oml1, s.oml2, s.omh1, s.omh2};
    shape_spectrum(s.lines(), s.grid.dom, shape_of(s.nyes), s.nbd == kBandPass ? &taper : nullptr);
}

}  // namespace zeplo
