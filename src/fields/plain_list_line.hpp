// The common free-format statement, read without the general reader: one line
// of plain numbers for real variables.
#pragma once

#include "char_source.hpp"
#include "values.hpp"

namespace zeplo::fields {

// When the source's window holds, from where it stands, a whole line whose
// first `count` items are plain numbers (an optional sign, digits with an
// optional point, an optional exponent) separated by blanks or tabs, and every
// variable is real: assigns the values, takes the line with its line end and
// returns true, as read_list would. Anything else (a comma, a slash, a repeat
// count, a value on a later line, an integer variable, the end of the window
// before the line end) takes nothing, assigns nothing and returns false, for
// read_list to read the statement.
bool read_plain_line(CharSource& src, const InVar* vars, int count);

}  // namespace zeplo::fields
