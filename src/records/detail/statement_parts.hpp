// Parts of the statements for the record layer's own use: the parsed form of
// a field list, and fixed-format statements whose records are already made.
#pragma once

#include <cstddef>

#include "field_list.hpp"

namespace zeplo::rec::detail {

// The parsed list (kept: the same text gives the same object until other
// lists push it out of the cache). A list that cannot be parsed ends the run
// with the failure report.
const fields::FieldList& parsed_field_list(const char* text);

// Write statements with `field_list` on `unit`, one for each record of
// `records` (whole records, line ends included): the same bytes and statement
// state as those statements, handed to the unit at once.
void write_formatted_records(int unit, const char* field_list, const char* records, std::size_t size);

}  // namespace zeplo::rec::detail
