// Many fixed-format statements of one field list, one record each: a table
// written row by row. The records are formatted ahead, on the caller's workers
// as well as on the calling thread, and handed to the unit in order; the file
// and the statement state are those of the same statements one at a time.
#pragma once

#include <functional>
#include <span>

#include "parallel_for.hpp"
#include "values.hpp"

namespace zeplo::rec {

// Sets the `count` values of row k (0-based). Called from several threads at
// once: it may only read what does not change while the table is written.
using RowValues = std::function<void(int row, fields::OutValue* values)>;

// As `rows` statements write_fmt(unit, field_list, <values of row k>), k = 0
// .. rows-1, each giving one record that holds no line end of its own (the
// numeric fields do not). `scratch` holds the records formatted ahead; with no
// workers, or a row that does not fit, the rows are written one at a time.
// At most 8 values per row.
//
// `before`, when given, runs on the calling thread ahead of anything that
// reaches the unit, while the workers format the first rows: the unit's open,
// which empties an existing file (for a file of megabytes that takes the
// system about a millisecond).
void write_fmt_rows(int unit, const char* field_list, int rows, int count, const RowValues& row,
                    Workers* workers, std::span<char> scratch, const std::function<void()>& before = {});

}  // namespace zeplo::rec
