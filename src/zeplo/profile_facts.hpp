// What an engineer reads off a profile before running it: the travel time,
// the quarter-wavelength frequency, Vs30 and the first peaks of the
// amplification for each input motion.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "soil_profile.hpp"

namespace zeplo {

// How the record relates to the column (the name peers use for each).
enum class InputMotion {
    outcrop,   // column 1, surface factor 1: surface over the outcrop motion of the half-space
    incident,  // column 1, surface factor 2: surface over the up-going wave in the half-space
    within,    // column 2: surface over the total motion at the top of the half-space (a borehole record)
};
inline constexpr std::array<InputMotion, 3> kInputMotions = {InputMotion::outcrop, InputMotion::incident,
                                                             InputMotion::within};
const char* input_motion_name(InputMotion m);
std::optional<InputMotion> input_motion_from_name(const std::string& name);

struct AmplificationPeak {
    double hz;
    double value;
};

struct ProfileFacts {
    double travel_time = 0.0;           // s, vertical, through the layers above the half-space
    double f0 = 0.0;                    // Hz, 1 / (4 travel_time); 0 for the half-space alone
    std::optional<double> vs30;         // m/s, when the layers above the half-space reach 30 m
    double depth = 0.0;                 // m, top of the half-space
    std::array<std::vector<AmplificationPeak>, 3> peaks;  // the first three, by kInputMotions
};

// The facts of a profile (damping and angle as given), peaks searched from
// 0 to 50 Hz in steps of 0.005 Hz.
ProfileFacts profile_facts(const SoilProfile& profile);

}  // namespace zeplo
