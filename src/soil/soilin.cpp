#include "soilin.hpp"

#include <string_view>

#include "records.hpp"
#include "soil_profile.hpp"

namespace zeplo {
namespace {

// The soil file name: the first characters of the answer line.
constexpr int kSoilNameLength = 30;

}  // namespace

void soilin(float dns[], float vp[], float qp[], float vs[], float qs[], float thk[], float& pqf, int& nl,
            int ml, float& theta, int& nsf) {
    char fname[kSoilNameLength];
    rec::write_fmt(rec::kStdoutUnit, "(/' Enter Soil Data File Name ')");
    // Lines that begin with a blank are passed over without a new prompt.
    do {
        rec::read_fmt(rec::kStdinUnit, "(A)", rec::CharVar{fname, kSoilNameLength});
    } while (fname[0] == ' ');
    rec::open_unit(kSoilUnit, std::string_view(fname, kSoilNameLength), "OLD");

    float thet1 = 0.0f;
    rec::read_fmt(kSoilUnit, "(F10.0)", thet1);
    rec::read_fmt(kSoilUnit, "(I10)", nsf);
    rec::read_fmt(kSoilUnit, "(I10,F10.0)", nl, pqf);
    if (nl < 1 || nl > ml) {
        const char* name = rec::unit_name(kSoilUnit);
        rec::refuse("soil file '%s': the layer count is %d; it must be from 1 to %d (the half-space included)",
                    name, nl, ml);
    }
    for (int il = 1; il <= nl; ++il)
        rec::read_fmt(kSoilUnit, "(6F8.0)", dns[il - 1], vp[il - 1], qp[il - 1], vs[il - 1], qs[il - 1],
                      thk[il - 1]);
    theta = thet1 * kRadiansPerDegree;
}

}  // namespace zeplo
