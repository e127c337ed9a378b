#include "free_format_writer.hpp"

#include <cstdio>
#include <cstring>

namespace zeplo::fields {
namespace {

constexpr int kLineLength = 80;

}  // namespace

int free_format_real(char* out, double value) {
    char* b = out;
    *b++ = ' ';
    if (value < 0) {
        *b++ = '-';
        value = -value;
    } else {
        *b++ = ' ';
    }
    if (value == 0) {
        std::strcpy(b, "0.");
        return 4;
    }
    std::snprintf(b, 36, "%.9G", value);
    if (*b == 'I' || *b == 'N') return static_cast<int>(std::strlen(out));  // INF, NAN
    // A number always shows a decimal point: at the end, or before the exponent.
    char* e = std::strchr(b, 'E');
    if (std::strchr(b, '.') == nullptr) {
        if (e) {
            std::memmove(e + 1, e, std::strlen(e) + 1);
            *e = '.';
        } else {
            std::strcat(b, ".");
        }
    }
    return static_cast<int>(std::strlen(out));
}

void write_list(RecordSink& rec, const OutValue* values, int count) {
    // A value that would reach the line length starts a new line, unless the
    // line is still empty.
    auto make_room = [&](int len) {
        if (rec.length() > 0 && rec.length() + len >= kLineLength) rec.end_record();
    };
    for (int k = 0; k < count; ++k) {
        const OutValue& v = values[k];
        switch (v.kind) {
            case OutValue::Kind::Int: {
                char digits[16];
                const unsigned int mag = v.i < 0 ? 0u - static_cast<unsigned int>(v.i) : static_cast<unsigned int>(v.i);
                const int n = std::snprintf(digits, sizeof digits, "%u", mag);
                make_room(n);
                rec.put(' ');
                if (v.i < 0) rec.put('-');
                rec.put(std::string_view(digits, static_cast<std::size_t>(n)));
                break;
            }
            case OutValue::Kind::Real:
            case OutValue::Kind::Double: {
                char text[48];
                const int n = free_format_real(text, v.x);
                make_room(n);
                rec.put(std::string_view(text, static_cast<std::size_t>(n)));
                break;
            }
            case OutValue::Kind::Text:
                make_room(static_cast<int>(v.s.size()));
                if (rec.length() == 0) rec.put(' ');
                rec.put(v.s);
                break;
        }
    }
    rec.end_record();
}

}  // namespace zeplo::fields
