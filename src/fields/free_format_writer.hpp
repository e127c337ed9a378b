// Free-format output: each value in its own form, records of under 80 characters.
#pragma once

#include "record_sink.hpp"
#include "values.hpp"

namespace zeplo::fields {

// The free-format form of a real (single values widened exactly): a blank, a
// minus sign or a blank, then the "%.9G" digits with a decimal point added when
// they have none. Writes a NUL-terminated text into out (at least 40 chars) and
// returns its length.
int free_format_real(char* out, double value);

// Writes the values into `sink` in free format: a blank before each number, text
// as it is (after a blank when it starts a record); a value that would take the
// record to 80 characters starts a new one, unless the record is still empty.
// The last record is ended too (no values: one empty record).
void write_list(RecordSink& sink, const OutValue* values, int count);

}  // namespace zeplo::fields
