#include "plain_list_line.hpp"

#include <cstring>

#include "mantissa.hpp"

namespace zeplo::fields {
namespace {

constexpr int kMaxPlainValues = 8;

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_sign(int c) { return c == '+' || c == '-'; }
bool is_blank(int c) { return c == ' ' || c == '\t'; }

// One number at p, read as the general reader reads it; p moves past it. False
// for anything the general reader treats otherwise or refuses.
bool plain_number(const unsigned char*& p, double& value) {
    // The caller found a line end ahead of p in the window: every step below
    // stops at it, so p never passes it.
    Mantissa m;
    bool negative = false;
    int havenum = 0;
    int c = *p;
    if (is_sign(c)) {
        negative = c == '-';
        c = *++p;
    }
    while (c == '0') {
        ++havenum;
        c = *++p;
    }
    while (is_digit(c)) {
        m.add(c);
        c = *++p;
    }
    if (c == '.') {
        c = *++p;
        if (m.count == 0) {
            while (c == '0') {
                ++havenum;
                --m.exp;
                c = *++p;
            }
        }
        while (is_digit(c)) {
            m.add_fraction(c);
            c = *++p;
        }
    }
    havenum += m.count;
    if (havenum == 0) return false;  // a null value, a repeat count or no number
    if (is_sign(c) || c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        bool exp_negative = false;
        if (!is_sign(c)) c = *++p;
        if (is_sign(c)) {
            exp_negative = c == '-';
            c = *++p;
        }
        if (!is_digit(c)) return false;
        long e = 0;
        for (int digits = 0; is_digit(c); c = *++p) {
            if (++digits > 4) return false;  // long exponents: the general reader's checks
            e = 10 * e + (c - '0');
        }
        m.exp += exp_negative ? -e : e;
    }
    // The number must end at a separator the general reader takes the same way.
    if (!is_blank(c) && c != '\n') return false;
    if (m.count > 0) {
        m.trim();
        value = decimal_value(m.digits, m.count, m.exp, negative);
    } else {
        value = 0.0;
    }
    return true;
}

}  // namespace

bool read_plain_line(CharSource& src, const InVar* vars, int count) {
    if (count < 1 || count > kMaxPlainValues) return false;
    for (int k = 0; k < count; ++k)
        if (vars[k].kind != InVar::Kind::Real) return false;
    const unsigned char* p = src.window_begin();
    const unsigned char* const end = src.window_end();
    if (p == end) return false;
    const auto* const line_end =
        static_cast<const unsigned char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (line_end == nullptr) return false;
    double values[kMaxPlainValues];
    for (int k = 0; k < count; ++k) {
        while (is_blank(*p)) ++p;
        if (p == line_end) return false;  // the values go on past the line
        if (!plain_number(p, values[k])) return false;
    }
    for (int k = 0; k < count; ++k) *static_cast<float*>(vars[k].p) = static_cast<float>(values[k]);
    src.take_to(line_end + 1);
    return true;
}

}  // namespace zeplo::fields
