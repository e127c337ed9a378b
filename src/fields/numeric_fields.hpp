// Numeric fields of fixed-format records: Fw.d and Ew.d on output, Iw and Fw.d
// on input.
#pragma once

#include "field_error.hpp"

namespace zeplo::fields {

// Output: each writes exactly w characters into out (no terminating NUL).
void put_fixed(char* out, double value, int w, int d);  // Fw.d
void put_exp(char* out, double value, int w, int d);    // Ew.d
void put_int(char* out, int value, int w);               // Iw

// Characters of the current record for an input field. get() returns the next
// character; at the end of the record it returns '\n' (again at every call),
// and kEof once the data has ended.
struct FieldSource {
    int (*get)(void* ctx);
    void* ctx;
};

// Input: each returns 0 when the field was read, kEof when the data ended
// inside the field, or 115 for a character that does not belong in the field
// (the variable then holds no defined value).
int get_int_field(const FieldSource& src, int w, int& value);
int get_real_field(const FieldSource& src, int w, int d, float& value);

}  // namespace zeplo::fields
