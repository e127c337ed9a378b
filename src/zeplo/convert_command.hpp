// `zeplo convert`: a record in any format read by `zeplo`, as the two-column
// text the dialog program reads.
#pragma once

#include <string>

#include "motion.hpp"

namespace zeplo {

// The two-column text of a motion: first time 0, the times k*dt written so
// that the second minus the first is dt in single precision, the values with
// 9 significant digits (the single-precision values read back exactly).
std::string two_column_text(const Motion& motion);

}  // namespace zeplo
