// A layered soil column over a half-space, as the computation sees it.
#pragma once

#include <span>

#include "constants.hpp"

namespace zeplo {

// Views of the caller's layer arrays, layer 1 at the surface and the last one
// the half-space (its thickness is not used). All spans have the same length,
// the layer count.
struct SoilColumn {
    std::span<const float> dns;  // density
    std::span<const float> vs;   // S-wave velocity
    std::span<const float> qs;   // S-wave quality factor
    std::span<const float> thk;  // thickness
    float pqf = kNoDamping;      // Q = qs * f^pqf; kNoDamping switches damping off
    float theta = 0.0f;          // incidence angle in the half-space, radians
    int nsf = 0;                 // 1: column 1 takes the free-surface factor 2

    int layers() const { return static_cast<int>(vs.size()); }
    bool damped() const { return pqf != kNoDamping; }
};

}  // namespace zeplo
