// How a field conversion fails: the record layer's error number and the step
// that met it ("fmt", "list in", "invalid number", ...). The record layer turns
// it into its failure report; other callers into a message of their own.
#pragma once

namespace zeplo::fields {

// The data ended (no more characters).
inline constexpr int kEof = -1;

struct FieldError {
    int n;                // error number: 100.. the layer's own, 0..99 a system error, kEof the end of the data
    const char* context;  // static text
};

}  // namespace zeplo::fields
