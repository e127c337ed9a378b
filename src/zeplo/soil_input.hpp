// The soil profile of a run: the fixed-column soil file or a layer table,
// with the command line's angle and damping, checked before it is used.
#pragma once

#include <optional>
#include <string>

#include "soil_profile.hpp"

namespace zeplo {

struct ProfileOptions {
    std::optional<double> incidence_deg;  // replaces the file's angle
    std::optional<double> q_exponent;     // replaces the file's damping exponent
    bool no_damping = false;              // damping off (the exponent 999)
};

struct SoilInput {
    std::string path;
    std::string sha256;
    bool table = false;  // a CSV layer table (else the fixed-column file)
    SoilProfile profile;
};

// Reads, applies the options, and checks the profile (thickness, Vs, density,
// Q above 0, angle in [0, 90) degrees). Throws UserError naming the file, the
// line and the field.
SoilInput load_soil(const std::string& path, const ProfileOptions& options);

}  // namespace zeplo
