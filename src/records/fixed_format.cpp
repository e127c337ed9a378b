// Fixed-format statements: records laid out by a field list.
#include <cstring>

#include "fatal_report.hpp"
#include "field_list.hpp"
#include "io_state.hpp"
#include "numeric_fields.hpp"
#include "output_record.hpp"
#include "statements.hpp"
#include "units.hpp"

namespace zeplo::rec {
namespace {

[[noreturn]] void data_ended(const Unit& u, const char* context) {
    fatal(u.read_errno ? u.read_errno : kEof, context);
}

// Writes quoted text, a doubled quote standing for one.
void put_text(OutputRecord& rec, std::string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        rec.put(text[k]);
        if (text[k] == '\'' && k + 1 < text.size() && text[k + 1] == '\'') ++k;
    }
}

void put_value(OutputRecord& rec, const Field& f, const OutValue& v) {
    const bool real = v.kind == OutValue::Kind::Real || v.kind == OutValue::Kind::Double;
    switch (f.op) {
        case FieldOp::Fixed:
            if (!real) fatal(117, "fmt");
            put_fixed(rec.reserve(f.w), v.x, f.w, f.d);
            break;
        case FieldOp::Exp:
            if (!real) fatal(117, "fmt");
            put_exp(rec.reserve(f.w), v.x, f.w, f.d);
            break;
        case FieldOp::Int:
            if (v.kind != OutValue::Kind::Int) fatal(117, "fmt");
            put_int(rec.reserve(f.w), v.i, f.w);
            break;
        case FieldOp::Chars:
            if (v.kind != OutValue::Kind::Text) fatal(117, "fmt");
            rec.put(v.s);
            break;
        case FieldOp::CharsWidth: {
            if (v.kind != OutValue::Kind::Text) fatal(117, "fmt");
            const int len = static_cast<int>(v.s.size());
            if (f.w > len) {
                rec.blanks(f.w - len);
                rec.put(v.s);
            } else {
                rec.put(v.s.substr(0, static_cast<std::size_t>(f.w)));
            }
            break;
        }
        default:
            break;
    }
}

// The characters of the current input record, field by field: the line end is
// not consumed, so every field past it sees it again.
int record_char(void* ctx) {
    Unit& u = *static_cast<Unit*>(ctx);
    const int c = get_char(u);
    if (c == '\n') unget_char(u, c);
    return c;
}

// Skips the rest of the current input record, its line end included.
void skip_record(Unit& u) {
    int c;
    while ((c = get_char(u)) != '\n' && c != kEof) {
    }
}

int read_chars(Unit& u, char* p, int len, int w) {
    // Aw into a variable of len characters: the rightmost characters when w is
    // wider, left-justified and blank-padded when narrower.
    int skip = w > len ? w - len : 0;
    const int take = w < len ? w : len;
    while (skip-- > 0)
        if (record_char(&u) == kEof) return kEof;
    for (int k = 0; k < take; ++k) {
        const int c = record_char(&u);
        if (c == kEof) return kEof;
        p[k] = c == '\n' ? ' ' : static_cast<char>(c);
    }
    for (int k = take; k < len; ++k) p[k] = ' ';
    return 0;
}

}  // namespace

void write_fmt_values(int unit_number, const char* field_list, const OutValue* values, int count) {
    begin_statement(unit_number, false, field_list);
    FieldList list;
    parse_field_list(field_list, list);
    if (count > 0 && !list.has_data) fatal(100, "fmt");

    OutputRecord& rec = output_record();
    rec.clear();
    int skip = 0;  // positions passed over by nX, blank once something follows
    int next = 0;
    for (;;) {
        for (int k = 0; k < list.count; ++k) {
            const Field& f = list.fields[k];
            switch (f.op) {
                case FieldOp::Slash:
                    rec.end(unit_number);
                    skip = 0;
                    break;
                case FieldOp::Skip:
                    skip += f.w;
                    break;
                case FieldOp::Text:
                    rec.blanks(skip);
                    skip = 0;
                    put_text(rec, f.text);
                    break;
                default:
                    for (int r = 0; r < f.repeat; ++r) {
                        if (next == count) goto done;
                        rec.blanks(skip);
                        skip = 0;
                        put_value(rec, f, values[next++]);
                    }
            }
        }
        if (next == count) break;
        rec.end(unit_number);  // more values than fields: the list starts again on a new record
        skip = 0;
    }
done:
    rec.end(unit_number);
    end_fixed_statement();
}

void read_fmt_vars(int unit_number, const char* field_list, const InVar* vars, int count) {
    begin_statement(unit_number, true, field_list);
    Unit& u = unit(unit_number);
    if (u.at_end) data_ended(u, "read start");
    FieldList list;
    parse_field_list(field_list, list);
    if (count > 0 && !list.has_data) fatal(100, "fmt");

    const FieldSource source{record_char, &u};
    int next = 0;
    for (;;) {
        for (int k = 0; k < list.count; ++k) {
            const Field& f = list.fields[k];
            if (f.op == FieldOp::Slash) {
                skip_record(u);
                continue;
            }
            if (f.op == FieldOp::Text) fatal(100, "fmt");
            if (f.op == FieldOp::Skip) {
                for (int s = 0; s < f.w; ++s)
                    if (record_char(&u) == kEof) data_ended(u, "fmt");
                continue;
            }
            for (int r = 0; r < f.repeat; ++r) {
                if (next == count) goto done;
                const InVar& v = vars[next++];
                int status = 0;
                switch (f.op) {
                    case FieldOp::Int:
                        if (v.kind != InVar::Kind::Int) fatal(117, "fmt");
                        status = get_int_field(source, f.w, *static_cast<int*>(v.p));
                        break;
                    case FieldOp::Fixed:
                    case FieldOp::Exp:
                        if (v.kind != InVar::Kind::Real) fatal(117, "fmt");
                        status = get_real_field(source, f.w, f.d, *static_cast<float*>(v.p));
                        break;
                    case FieldOp::Chars:
                    case FieldOp::CharsWidth:
                        if (v.kind != InVar::Kind::Text) fatal(117, "fmt");
                        status = read_chars(u, static_cast<char*>(v.p), v.len,
                                            f.op == FieldOp::Chars ? v.len : f.w);
                        break;
                    default:
                        break;
                }
                if (status == kEof) data_ended(u, "fmt");
                if (status != 0) fatal(status, "fmt");
            }
        }
        if (next == count) break;
        skip_record(u);  // more variables than fields: the list starts again on the next record
        if (u.at_end) data_ended(u, "fmt");
    }
done:
    // The rest of the record is skipped; meeting the end of the data there
    // leaves the unit at its end for the next statement.
    skip_record(u);
    end_fixed_statement();
}

}  // namespace zeplo::rec
