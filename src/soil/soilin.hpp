// The soil profile: its prompt, its file name and the soil data file.
#pragma once

namespace zeplo {

// The soil data file stays connected to this unit until the run ends.
inline constexpr int kSoilUnit = 4;

// Asks for the soil data file, opens it on unit 4 (it stays open until the run
// ends) and reads the incidence angle, the surface factor switch, the layer
// count, the damping exponent and one record per layer into the arrays
// (capacity ml). A layer count outside 1..ml is refused before any layer record
// is read. theta is returned in radians.
void soilin(float dns[], float vp[], float qp[], float vs[], float qs[], float thk[], float& pqf, int& nl,
            int ml, float& theta, int& nsf);

}  // namespace zeplo
