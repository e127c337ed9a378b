#include "fixed_format_writer.hpp"

#include "field_error.hpp"
#include "numeric_fields.hpp"

namespace zeplo::fields {
namespace {

// Writes quoted text, a doubled quote standing for one.
void put_text(RecordSink& rec, std::string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        rec.put(text[k]);
        if (text[k] == '\'' && k + 1 < text.size() && text[k + 1] == '\'') ++k;
    }
}

[[noreturn]] void wrong_kind() { throw FieldError{117, "fmt"}; }

void put_value(RecordSink& rec, const Field& f, const OutValue& v) {
    const bool real = v.kind == OutValue::Kind::Real || v.kind == OutValue::Kind::Double;
    switch (f.op) {
        case FieldOp::Fixed:
            if (!real) wrong_kind();
            put_fixed(rec.reserve(f.w), v.x, f.w, f.d);
            break;
        case FieldOp::Exp:
            if (!real) wrong_kind();
            put_exp(rec.reserve(f.w), v.x, f.w, f.d);
            break;
        case FieldOp::Int:
            if (v.kind != OutValue::Kind::Int) wrong_kind();
            put_int(rec.reserve(f.w), v.i, f.w);
            break;
        case FieldOp::Chars:
            if (v.kind != OutValue::Kind::Text) wrong_kind();
            rec.put(v.s);
            break;
        case FieldOp::CharsWidth: {
            if (v.kind != OutValue::Kind::Text) wrong_kind();
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

}  // namespace

void write_fixed(RecordSink& rec, const FieldList& list, const OutValue* values, int count) {
    if (count > 0 && !list.has_data) throw FieldError{100, "fmt"};
    int skip = 0;  // positions passed over by nX, blank once something follows
    int next = 0;
    for (;;) {
        for (int k = 0; k < list.count; ++k) {
            const Field& f = list.fields[k];
            switch (f.op) {
                case FieldOp::Slash:
                    rec.end_record();
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
        rec.end_record();  // more values than fields: the list starts again on a new record
        skip = 0;
    }
done:
    rec.end_record();
}

void write_fixed(RecordSink& sink, const char* field_list, const OutValue* values, int count) {
    FieldList list;
    parse_field_list(field_list, list);
    write_fixed(sink, list, values, count);
}

}  // namespace zeplo::fields
