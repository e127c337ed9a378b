// Free-format input: values separated by blanks, tabs, line ends or a comma;
// null values, a slash that ends the statement, repeat counts r*v and r*.
#pragma once

#include "char_source.hpp"
#include "values.hpp"

namespace zeplo::fields {

// Reads one free-format statement's values into `vars` from `src`, then skips
// the rest of the last line read. A variable met by a null value or after a
// slash keeps its value. Returns false when the data ended and `has_end_branch`
// is set (the variables given values before the end keep them). Throws
// FieldError for a value that is not a number of the variable's kind (112, 115)
// and, without the end branch, for the end of the data (kEof, or the source's
// system error).
bool read_list(CharSource& src, const InVar* vars, int count, bool has_end_branch);

}  // namespace zeplo::fields
