// How long the soil column keeps ringing after an impulse: the time a record
// must be followed by zeros so that its response does not wrap round to the
// start of the transform.
#pragma once

#include <optional>

#include "soil_column.hpp"

namespace zeplo {

// The time (s) after which the column's impulse response, for the chosen
// column (1 or 2) and sampled at dt, stays below `fraction` of its peak: found
// on transforms of growing length up to 2^max_exponent samples. None when it
// does not decay within that length (an undamped column).
std::optional<double> response_decay_time(const SoilColumn& column, int which, float dt, double fraction,
                                          int max_exponent);

}  // namespace zeplo
