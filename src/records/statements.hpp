// Statement-level operations of the record layer: free-format and fixed-format
// writes and reads on a unit. Each statement ends its record(s) when it ends.
//
//   write_list(6, "NT and DT=", nt, dt);          // one free-format line
//   write_fmt(9, "(F8.4,6E12.4)", fq, re, ...);    // one fixed-format record
//   read_list(5, is);                              // one free-format answer
//   if (!read_list_or_end(11, t, x)) ...           // the end of the file ends a loop
//   read_fmt(4, "(I10,F10.0)", nl, pqf);
//
// Any failure ends the run with the fatal report.
#pragma once

#include "values.hpp"

namespace zeplo::rec {

using fields::CharVar;
using fields::InVar;
using fields::OutValue;
using fields::in_var;
using fields::out_value;

void write_list_values(int unit, const OutValue* values, int count);
void write_fmt_values(int unit, const char* field_list, const OutValue* values, int count);
// Returns false when the data ended and `has_end_branch` is set (the variables
// given values before the end keep them); without the branch the end is fatal.
bool read_list_vars(int unit, const InVar* vars, int count, bool has_end_branch);
void read_fmt_vars(int unit, const char* field_list, const InVar* vars, int count);

template <class... V>
void write_list(int unit, const V&... values) {
    const OutValue items[] = {out_value(values)..., out_value(0)};
    write_list_values(unit, items, static_cast<int>(sizeof...(V)));
}

template <class... V>
void write_fmt(int unit, const char* field_list, const V&... values) {
    const OutValue items[] = {out_value(values)..., out_value(0)};
    write_fmt_values(unit, field_list, items, static_cast<int>(sizeof...(V)));
}

template <class... V>
void read_list(int unit, V&&... vars) {
    const InVar items[] = {in_var(vars)...};
    read_list_vars(unit, items, static_cast<int>(sizeof...(V)), false);
}

template <class... V>
[[nodiscard]] bool read_list_or_end(int unit, V&&... vars) {
    const InVar items[] = {in_var(vars)...};
    return read_list_vars(unit, items, static_cast<int>(sizeof...(V)), true);
}

template <class... V>
void read_fmt(int unit, const char* field_list, V&&... vars) {
    const InVar items[] = {in_var(vars)...};
    read_fmt_vars(unit, field_list, items, static_cast<int>(sizeof...(V)));
}

}  // namespace zeplo::rec
