// The read cases: free-format and fixed-format records, boundary and random.
#pragma once

#include <vector>

#include "differential.hpp"

namespace zeplo::diff {

std::vector<ReadCase> free_format_read_cases();
std::vector<ReadCase> fixed_format_read_cases();

}  // namespace zeplo::diff
