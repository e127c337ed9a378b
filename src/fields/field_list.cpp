#include "field_list.hpp"

#include "field_error.hpp"

namespace zeplo::fields {
namespace {

struct Parser {
    const char* p;

    [[noreturn]] void bad() { throw FieldError{100, "fmt"}; }

    void skip_blanks() {
        while (*p == ' ') ++p;
    }
    bool number(int& v) {
        skip_blanks();
        if (*p < '0' || *p > '9') return false;
        v = 0;
        while (*p >= '0' && *p <= '9') {
            v = v * 10 + (*p++ - '0');
            if (v > 1000) bad();  // no field is wider than a record piece
        }
        return true;
    }
    char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
};

}  // namespace

void parse_field_list(const char* text, FieldList& out) {
    Parser ps{text};
    out.count = 0;
    out.has_data = false;
    auto push = [&](const Field& f) {
        if (out.count == FieldList::kCapacity) ps.bad();
        out.fields[out.count++] = f;
        if (is_data_field(f.op)) out.has_data = true;
    };

    ps.skip_blanks();
    if (*ps.p != '(') ps.bad();
    ++ps.p;
    for (;;) {
        ps.skip_blanks();
        const char c = *ps.p;
        if (c == ')') break;
        if (c == '\0') ps.bad();
        if (c == ',') {
            ++ps.p;
            continue;
        }
        if (c == '/') {
            ++ps.p;
            push({FieldOp::Slash, 1, 0, 0, {}});
            continue;
        }
        if (c == '\'') {
            const char* start = ++ps.p;
            for (;;) {
                if (*ps.p == '\0') ps.bad();
                if (*ps.p == '\'') {
                    if (ps.p[1] == '\'') {
                        ps.p += 2;
                        continue;
                    }
                    break;
                }
                ++ps.p;
            }
            push({FieldOp::Text, 1, 0, 0, std::string_view(start, static_cast<std::size_t>(ps.p - start))});
            ++ps.p;
            continue;
        }
        int repeat = 1;
        const bool has_repeat = ps.number(repeat);
        ps.skip_blanks();
        const char letter = ps.upper(*ps.p);
        if (letter == '\0') ps.bad();
        ++ps.p;
        Field f{FieldOp::Skip, has_repeat ? repeat : 1, 0, 0, {}};
        switch (letter) {
            case 'X':
                f.op = FieldOp::Skip;
                f.w = has_repeat ? repeat : 1;
                f.repeat = 1;
                break;
            case 'I':
                f.op = FieldOp::Int;
                if (!ps.number(f.w)) ps.bad();
                break;
            case 'F':
            case 'E':
                f.op = letter == 'F' ? FieldOp::Fixed : FieldOp::Exp;
                if (!ps.number(f.w)) ps.bad();
                ps.skip_blanks();
                if (*ps.p != '.') ps.bad();
                ++ps.p;
                if (!ps.number(f.d)) ps.bad();
                break;
            case 'A':
                f.op = ps.number(f.w) ? FieldOp::CharsWidth : FieldOp::Chars;
                break;
            default:
                ps.bad();
        }
        if (f.repeat <= 0 || (f.op != FieldOp::Chars && f.op != FieldOp::Skip && f.w <= 0)) ps.bad();
        push(f);
    }
}

}  // namespace zeplo::fields
