// Fixed-format input: records read by a field list such as "(I10,F10.0)".
#pragma once

#include "char_source.hpp"
#include "field_list.hpp"
#include "values.hpp"

namespace zeplo::fields {

// Reads `count` variables from `src` by `list`, one record or several (a slash,
// or more variables than data fields, moves to the next record), then skips the
// rest of the last record. Throws FieldError: the end of the data (kEof, or the
// source's system error) at "read start" or inside a field ("fmt"), 115 for a
// character that does not belong in its field, 100 for quoted text in an input
// list or variables without data fields, 117 for a variable of the wrong kind.
void read_fixed(CharSource& src, const FieldList& list, const InVar* vars, int count);

// The same with the list given as text (parsed first).
void read_fixed(CharSource& src, const char* field_list, const InVar* vars, int count);

}  // namespace zeplo::fields
