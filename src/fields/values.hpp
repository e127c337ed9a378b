// The values a statement writes and the variables it reads, in the forms the
// record layer handles: 32-bit integers, single and double precision reals and
// fixed-length character variables.
#pragma once

#include <cstddef>
#include <string_view>

namespace zeplo::fields {

struct OutValue {
    enum class Kind { Int, Real, Double, Text };
    Kind kind;
    int i = 0;
    double x = 0.0;  // Real values are widened exactly
    std::string_view s{};
};

inline OutValue out_value(int v) { return {OutValue::Kind::Int, v, 0.0, {}}; }
inline OutValue out_value(float v) { return {OutValue::Kind::Real, 0, static_cast<double>(v), {}}; }
inline OutValue out_value(double v) { return {OutValue::Kind::Double, 0, v, {}}; }
inline OutValue out_value(std::string_view v) { return {OutValue::Kind::Text, 0, 0.0, v}; }
inline OutValue out_value(const char* v) { return out_value(std::string_view(v)); }

// A character variable of fixed length: reads fill all `len` characters,
// padding with blanks.
struct CharVar {
    char* p;
    int len;
};

struct InVar {
    enum class Kind { Int, Real, Text };
    Kind kind;
    void* p;
    int len = 0;
};

inline InVar in_var(int& v) { return {InVar::Kind::Int, &v, 0}; }
inline InVar in_var(float& v) { return {InVar::Kind::Real, &v, 0}; }
inline InVar in_var(CharVar v) { return {InVar::Kind::Text, v.p, v.len}; }

}  // namespace zeplo::fields
