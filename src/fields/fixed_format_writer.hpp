// Fixed-format output: records laid out by a field list such as "(F8.4,6E12.4)".
#pragma once

#include "field_list.hpp"
#include "record_sink.hpp"
#include "values.hpp"

namespace zeplo::fields {

// Writes `count` values into `sink` by `list`: one record, or several where the
// list holds slashes or the values outrun its data fields (the list then starts
// again on a new record). Throws FieldError: 100 for values and a list without
// data fields, 117 for a value of the wrong kind for its field (the records
// ended before it stay in the sink).
void write_fixed(RecordSink& sink, const FieldList& list, const OutValue* values, int count);

// The same with the list given as text (parsed first; throws FieldError 100
// when it cannot be).
void write_fixed(RecordSink& sink, const char* field_list, const OutValue* values, int count);

}  // namespace zeplo::fields
