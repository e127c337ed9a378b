#include "fixed_format_reader.hpp"

#include "field_error.hpp"
#include "numeric_fields.hpp"

namespace zeplo::fields {
namespace {

[[noreturn]] void data_ended(const CharSource& src, const char* context) {
    throw FieldError{src.error() ? src.error() : kEof, context};
}

// The characters of the current input record, field by field: the line end is
// not consumed, so every field past it sees it again.
int record_char(void* ctx) {
    CharSource& src = *static_cast<CharSource*>(ctx);
    const int c = src.get();
    if (c == '\n') src.unget(c);
    return c;
}

// Skips the rest of the current input record, its line end included.
void skip_record(CharSource& src) {
    int c;
    while ((c = src.get()) != '\n' && c != kEof) {
    }
}

int read_chars(CharSource& src, char* p, int len, int w) {
    // Aw into a variable of len characters: the rightmost characters when w is
    // wider, left-justified and blank-padded when narrower.
    int skip = w > len ? w - len : 0;
    const int take = w < len ? w : len;
    while (skip-- > 0)
        if (record_char(&src) == kEof) return kEof;
    for (int k = 0; k < take; ++k) {
        const int c = record_char(&src);
        if (c == kEof) return kEof;
        p[k] = c == '\n' ? ' ' : static_cast<char>(c);
    }
    for (int k = take; k < len; ++k) p[k] = ' ';
    return 0;
}

}  // namespace

void read_fixed(CharSource& src, const FieldList& list, const InVar* vars, int count) {
    if (count > 0 && !list.has_data) throw FieldError{100, "fmt"};

    const FieldSource source{record_char, &src};
    int next = 0;
    for (;;) {
        for (int k = 0; k < list.count; ++k) {
            const Field& f = list.fields[k];
            if (f.op == FieldOp::Slash) {
                skip_record(src);
                continue;
            }
            if (f.op == FieldOp::Text) throw FieldError{100, "fmt"};
            if (f.op == FieldOp::Skip) {
                for (int s = 0; s < f.w; ++s)
                    if (record_char(&src) == kEof) data_ended(src, "fmt");
                continue;
            }
            for (int r = 0; r < f.repeat; ++r) {
                if (next == count) goto done;
                const InVar& v = vars[next++];
                int status = 0;
                switch (f.op) {
                    case FieldOp::Int:
                        if (v.kind != InVar::Kind::Int) throw FieldError{117, "fmt"};
                        status = get_int_field(source, f.w, *static_cast<int*>(v.p));
                        break;
                    case FieldOp::Fixed:
                    case FieldOp::Exp:
                        if (v.kind != InVar::Kind::Real) throw FieldError{117, "fmt"};
                        status = get_real_field(source, f.w, f.d, *static_cast<float*>(v.p));
                        break;
                    case FieldOp::Chars:
                    case FieldOp::CharsWidth:
                        if (v.kind != InVar::Kind::Text) throw FieldError{117, "fmt"};
                        status = read_chars(src, static_cast<char*>(v.p), v.len,
                                            f.op == FieldOp::Chars ? v.len : f.w);
                        break;
                    default:
                        break;
                }
                if (status == kEof) data_ended(src, "fmt");
                if (status != 0) throw FieldError{status, "fmt"};
            }
        }
        if (next == count) break;
        skip_record(src);  // more variables than fields: the list starts again on the next record
        if (src.at_end()) data_ended(src, "fmt");
    }
done:
    // The rest of the record is skipped; meeting the end of the data there
    // leaves the source at its end for the next statement.
    skip_record(src);
}

void read_fixed(CharSource& src, const char* field_list, const InVar* vars, int count) {
    FieldList list;
    parse_field_list(field_list, list);
    read_fixed(src, list, vars, count);
}

}  // namespace zeplo::fields
