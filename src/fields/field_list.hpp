// Field lists: the parenthesised layouts of fixed-format records, such as
// "(F8.4,6E12.4)", "(I10,F10.0)", "(A20)" or "(/1X,'Enter ...')".
#pragma once

#include <string_view>

namespace zeplo::fields {

enum class FieldOp {
    Int,        // Iw
    Fixed,      // Fw.d
    Exp,        // Ew.d
    Chars,      // A: as many characters as the variable holds
    CharsWidth, // Aw
    Skip,       // nX
    Slash,      // /
    Text,       // 'quoted text'
};

struct Field {
    FieldOp op;
    int repeat;   // data fields: how many values the field takes in turn
    int w;        // width (Iw, Fw.d, Ew.d, Aw) or count (nX)
    int d;        // digits after the point (Fw.d, Ew.d)
    std::string_view text;  // Text: the characters between the quotes, doubled quotes still doubled
};

struct FieldList {
    static constexpr int kCapacity = 32;
    Field fields[kCapacity];
    int count = 0;
    bool has_data = false;
};

// Parses `text`; a list that cannot be parsed throws FieldError{100, "fmt"}.
void parse_field_list(const char* text, FieldList& out);

// Whether a field takes a value.
inline bool is_data_field(FieldOp op) {
    return op == FieldOp::Int || op == FieldOp::Fixed || op == FieldOp::Exp || op == FieldOp::Chars ||
           op == FieldOp::CharsWidth;
}

}  // namespace zeplo::fields
