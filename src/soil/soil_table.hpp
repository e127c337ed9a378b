// A soil profile written as a table: a CSV file with a header, one row per
// layer from the surface down, the last row (no thickness) the half-space.
//
//   thickness_m,vs_m_s,density,damping_pct
//   2.5,250,1.9,2
//   ...
//   ,645,2.1,1
//
// Columns, in any order, named without regard to case: thickness (thickness_m,
// h_m), Vs (vs, vs_m_s), density (density, rho), and damping either as a ratio
// in percent (damping_pct, damping) or as a quality factor (q, qs); Q = 50 /
// damping_pct. The incidence angle, the damping exponent and the surface switch
// are not in the table: they come from the command line (0 degrees, exponent 0
// and factor 1 unless told otherwise).
#pragma once

#include <string>
#include <string_view>

#include "soil_file.hpp"

namespace zeplo {

// Reads the table; `name` is the file's name in messages. Throws SoilFileError
// for a missing column, a row that is not numbers, a thickness on the last row
// (or none on another) and layer counts outside 1..kSoilMaxLayers.
SoilProfile parse_soil_table(std::string_view text, const std::string& name);

// Whether `text` looks like a layer table (a header line with commas and
// letters) rather than the fixed-column soil file.
bool looks_like_soil_table(std::string_view text);

}  // namespace zeplo
