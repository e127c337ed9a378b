#include "numeric_fields.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mantissa.hpp"

namespace zeplo::fields {

// ---------------------------------------------------------------- output

namespace {

// Room for the digits of any Fw.d or Ew.d a field list admits (w, d <= 1000).
constexpr int kNumberText = 1536;

// The magnitude that a field converts, and whether the value is below zero.
// Negative zero is converted as zero, without a sign.
double magnitude(double value, bool& negative) {
    negative = value < 0;
    if (negative) return -value;
    return value == 0 ? 0.0 : value;
}

}  // namespace

void put_fixed(char* out, double value, int w, int d) {
    bool negative = false;
    const double x = magnitude(value, negative);
    // Field lists allow w and d up to 1000: the largest double with 1000
    // decimals takes 1310 characters. A text longer than the buffer is longer
    // than any field.
    char buf[kNumberText];
    int n = std::snprintf(buf, sizeof buf, "%#.*f", d, x);
    if (n < 0 || n >= static_cast<int>(sizeof buf)) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }
    const char* text = buf;
    if (negative) {
        // A value that rounds to zero is written without its minus sign.
        const char* s = buf;
        while (*s == '0' || *s == '.') ++s;
        if (*s == '\0') negative = false;
    }
    if (negative) ++n;
    if (n > w) {
        // A leading 0 before the point is the one character that may give way.
        if (buf[0] == '0' && n - 1 == w) {
            ++text;
            --n;
        } else {
            std::memset(out, '*', static_cast<std::size_t>(w));
            return;
        }
    }
    int pos = 0;
    while (pos < w - n) out[pos++] = ' ';
    if (negative) out[pos++] = '-';
    while (*text) out[pos++] = *text++;
}

void put_exp(char* out, double value, int w, int d) {
    if (d < 1) {
        // The mantissa 0.DDD has no digit to show the value in.
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }
    bool negative = false;
    const double x = magnitude(value, negative);
    const int sign_width = negative ? 1 : 0;
    int room = w - (d + 5) - sign_width;
    bool lead_zero = false;
    if (room > 0) {
        --room;
        lead_zero = true;
    } else if (room < 0) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }

    char buf[kNumberText];
    const int n = std::snprintf(buf, sizeof buf, "%#.*E", d - 1, x);
    if (n < 0 || n >= static_cast<int>(sizeof buf)) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }
    int pos = 0;
    if (buf[0] < '0' || buf[0] > '9') {
        // Infinity or not-a-number: the library's text, right-justified.
        const int len = static_cast<int>(std::strlen(buf));
        int pad = w - len - sign_width;
        if (pad < 0) {
            std::memset(out, '*', static_cast<std::size_t>(w));
            return;
        }
        while (pad-- > 0) out[pos++] = ' ';
        if (negative) out[pos++] = '-';
        std::memcpy(out + pos, buf, static_cast<std::size_t>(len));
        return;
    }
    // buf is "D.DDDE+XX": the written exponent is one more than printf's.
    const char* e = std::strchr(buf, 'E');
    char exponent[16];
    if (x != 0) {
        std::snprintf(exponent, sizeof exponent, "%+.2d", std::atoi(e + 1) + 1);
    } else {
        std::strcpy(exponent, "+00");
    }
    const bool three_digits = exponent[3] != '\0';  // only doubles get there: the E gives way

    while (room-- > 0) out[pos++] = ' ';
    if (negative) out[pos++] = '-';
    if (lead_zero) out[pos++] = '0';
    out[pos++] = '.';
    out[pos++] = buf[0];
    for (const char* s = buf + 2; s < e; ++s) out[pos++] = *s;
    if (!three_digits) out[pos++] = 'E';
    for (const char* s = exponent; *s && pos < w; ++s) out[pos++] = *s;
}

void put_int(char* out, int value, int w) {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%d", value);
    if (n > w) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }
    std::memset(out, ' ', static_cast<std::size_t>(w - n));
    std::memcpy(out + (w - n), buf, static_cast<std::size_t>(n));
}

// ---------------------------------------------------------------- input

namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }


}  // namespace

int get_int_field(const FieldSource& src, int w, int& value) {
    // The value accumulates modulo 2^64 and is kept modulo 2^32, so that an
    // over-long field wraps rather than failing.
    unsigned long long x = 0;
    bool negative = false;
    int c = 0;
    auto get = [&]() { return src.get(src.ctx); };
    auto store = [&]() { value = static_cast<int>(static_cast<unsigned int>(x)); };

    if (w <= 0) {
        store();
        return 0;
    }
    for (;;) {
        c = get();
        if (c == kEof) return kEof;
        if (c != ' ') break;
        if (--w == 0) {
            store();
            return 0;
        }
    }
    switch (c) {
        case ',':
        case '\n':
            store();
            return 0;
        case '-':
            negative = true;
            break;
        case '+':
            break;
        default:
            if (!is_digit(c)) {
                store();
                // The rest of the field is consumed before the error is told.
                while (--w > 0)
                    if (get() == kEof) return kEof;
                return 115;
            }
            x = static_cast<unsigned long long>(c - '0');
    }
    while (--w > 0) {
        c = get();
        if (c == kEof) return kEof;
        if (is_digit(c)) {
            x = x * 10u + static_cast<unsigned long long>(c - '0');
            continue;
        }
        if (c == ' ') continue;  // blanks among the digits are ignored
        if (c == '\n' || c == ',') {
            w = 1;  // the field ends early with the value read so far
            continue;
        }
        store();
        while (--w > 0)
            if (get() == kEof) return kEof;
        return 115;
    }
    if (negative) x = 0ull - x;
    store();
    return 0;
}

int get_real_field(const FieldSource& src, int w, int d, float& value) {
    Mantissa m;
    m.exp = -d;
    bool negative = false;
    int c = 0;
    auto get = [&]() { return src.get(src.ctx); };
    auto finish = [&]() {
        m.trim();
        value = static_cast<float>(digits_to_double(m.digits, m.count, m.exp, negative));
        if (m.count == 0) value = 0.0f;
        return 0;
    };
    auto zero = [&]() {
        value = 0.0f;
        return 0;
    };
// Each step of the field reads one more character while width remains.
#define ZEPLO_NEXT_OR(action)       \
    do {                            \
        if (w-- == 0) action;       \
        c = get();                  \
        if (c == kEof) return kEof; \
    } while (0)

    // Leading blanks.
    do {
        c = get();
        if (c == kEof) return kEof;
        --w;
    } while (c == ' ' && w > 0);
    if (c == '-' || c == '+') {
        negative = c == '-';
        if (w == 0) return zero();
        --w;
        c = get();
        if (c == kEof) return kEof;
    }
    while (c == ' ') ZEPLO_NEXT_OR(return zero());
    while (c == '0') ZEPLO_NEXT_OR(return zero());

    // Digits before the point; blanks among them are ignored.
    while (is_digit(c) || c == ' ') {
        if (c != ' ') m.add(c);
        ZEPLO_NEXT_OR(return finish());
    }
    if (c == '.') {
        m.exp += d;  // a decimal point in the field overrides d
        ZEPLO_NEXT_OR(return finish());
        if (m.count == 0) {
            while (c == '0' || c == ' ') {
                if (c == '0') --m.exp;
                ZEPLO_NEXT_OR(return finish());
            }
        }
        while (is_digit(c) || c == ' ') {
            if (c != ' ') m.add_fraction(c);
            ZEPLO_NEXT_OR(return finish());
        }
    }

    // Exponent: a letter E, e, D or d with an optional sign, or a sign alone.
    bool has_exponent = false;
    bool exp_negative = false;
    if (c == '-' || c == '+') {
        has_exponent = true;
        exp_negative = c == '-';
        ZEPLO_NEXT_OR(return 115);
    } else if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        has_exponent = true;
        ZEPLO_NEXT_OR(return 115);
        while (c == ' ') ZEPLO_NEXT_OR(return 115);
        if (c == '-' || c == '+') {
            exp_negative = c == '-';
            ZEPLO_NEXT_OR(return 115);
        }
    }
    if (has_exponent) {
        while (c == ' ') ZEPLO_NEXT_OR(return 115);
        if (!is_digit(c)) return 115;
        long e = c - '0';
        for (;;) {
            if (w-- == 0) {
                c = '\n';
                break;
            }
            c = get();
            if (c == kEof) return kEof;
            if (c == ' ') continue;
            if (!is_digit(c)) break;
            e = 10 * e + (c - '0');
            if (e > kMaxExponent && m.count > 0) return 115;
            if (e > kMaxExponent) e = kMaxExponent + 1;  // a zero mantissa stays zero
        }
        m.exp += exp_negative ? -e : e;
    }
    if (c != '\n' && c != ',') return 115;
    return finish();
#undef ZEPLO_NEXT_OR
}

}  // namespace zeplo::fields
