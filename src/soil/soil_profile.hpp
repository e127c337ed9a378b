// A soil profile as the soil file gives it, and the checks a profile must pass
// before the transfer function can be evaluated.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "soil_column.hpp"

namespace zeplo {

// pi/180 in single precision: the incidence angle from degrees to radians.
inline constexpr float kRadiansPerDegree = 0.017453292f;

struct SoilProfile {
    float thet1 = 0.0f;  // incidence angle in the half-space, degrees, as read
    float theta = 0.0f;  // the same in radians
    int nsf = 0;         // surface switch: 1 doubles column 1
    float pqf = 0.0f;    // damping exponent; kNoDamping switches damping off
    // Layer 1 at the surface, the last one the half-space.
    std::vector<float> dns, vp, qp, vs, qs, thk;

    // Where the values stand in the file, for messages (0: not from a line).
    int angle_line = 0;
    int damping_line = 0;
    std::vector<int> layer_lines;

    int layers() const { return static_cast<int>(vs.size()); }
    SoilColumn column() const { return SoilColumn{dns, vs, qs, thk, pqf, theta, nsf}; }
};

// What makes a profile unusable: a value that is not a finite number, or a
// zero the transfer function would divide by. `layer` is 0 for the profile's
// own values (angle, damping exponent). `text` reads as in "the density is zero;
// the transfer function would divide by it".
struct ProfileProblem {
    int layer;
    std::string text;
};

// The first problem of the profile, in the order the layers are read.
std::optional<ProfileProblem> profile_problem(const SoilColumn& column);

// The stricter check of the zeplo command, for profiles from either file form:
// thickness above 0 above the half-space, Vs, density and (damped) Q above 0,
// all finite, and an incidence angle from 0 up to (not including) 90 degrees.
// `line` is the file's line of the offending value (0 when not known) and
// `text` names the layer and the field: "layer 2: the thickness is -3; it must
// be above 0".
struct ProfileFault {
    int line;
    std::string text;
};
std::optional<ProfileFault> profile_fault(const SoilProfile& profile);

}  // namespace zeplo
