// The trapezoidal band-pass taper.
#pragma once

namespace zeplo {

// Factor of a line at angular frequency omega: 0 at or outside oml1..omh2,
// rising on oml1..oml2, 1 between oml2 and omh1, falling on omh1..omh2. The
// tests run in this order whatever the order of the corners: where both ramps
// apply, the falling one replaces the rising one.
inline float taper_factor(float omega, float oml1, float oml2, float omh1, float omh2) {
    if (omega <= oml1 || omega >= omh2) return 0.0f;
    float aa = 1.0f;
    if (omega < oml2) aa = (omega - oml1) / (oml2 - oml1);
    if (omega > omh1) aa = (omh2 - omega) / (omh2 - omh1);
    return aa;
}

}  // namespace zeplo
