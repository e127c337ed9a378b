#include "numeric_fields.hpp"

#include <cmath>
#include <cstdint>
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

// Digits as the C library's "%#.*f" and "%#.*E" give them (correctly rounded,
// ties to even in the default rounding), found with one double operation
// where that operation decides them, and by snprintf where it does not.
//
// A value x is scaled by a power of ten p (exact in double up to 10^22) into
// q = x * p, whose rounding to an integer gives the digits. The product is
// exact when x has at most 24 significant bits (every single-precision value)
// and p = 10^s with s <= 12 (5^s has at most 28 bits), and for s = 0. Else it
// is the true q rounded once, within q * 2^-53; its integer rounding is then
// taken only when q's fraction is farther than q * 2^-52 from one half, where
// the true q rounds the same way.

constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool single_precision_value(double x) { return static_cast<double>(static_cast<float>(x)) == x; }

// The integer nearest to q >= 0, q < 2^52, ties to even: the sum with 2^52
// rounds away exactly the fraction, in the default rounding.
double nearest_integer(double q) { return (q + 0x1p52) - 0x1p52; }

// Rounds q (the scaled value, exact or not) to an integer; false when that
// cannot be decided from q.
bool round_scaled(double q, bool exact, double& n) {
    if (!(q < 0x1p52)) return false;
    n = nearest_integer(q);
    if (exact) return true;
    const double from_half = std::fabs(std::fabs(q - n) - 0.5);
    return from_half > q * 0x1p-52;
}

// "00" .. "99".
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the `count` decimal digits of v (leading zeros included) at out.
void put_digits(char* out, unsigned long long v, int count) {
    int i = count;
    for (; i >= 2; i -= 2) {
        std::memcpy(out + i - 2, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (i == 1) out[0] = static_cast<char>('0' + v % 10);
}

int digit_count(unsigned long long v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

// "%#.*f" of x >= 0 (finite) into buf; its length, or -1 when not decided here.
int quick_fixed_text(char* buf, double x, int d) {
    if (d > 15) return -1;
    const double q = x * kPow10[d];
    const bool exact = d == 0 || (d <= 12 && single_precision_value(x));
    double n;
    if (!round_scaled(q, exact, n)) return -1;
    // n < 2^52: n / 10^d is within less than half a unit of its last place
    // of the true quotient, whose fraction is at most 1 - 10^-d, so its
    // truncation is the whole part, and the rest is exact.
    const double whole = static_cast<double>(static_cast<unsigned long long>(n / kPow10[d]));
    const auto fraction = static_cast<unsigned long long>(n - whole * kPow10[d]);
    const auto whole_digits = static_cast<unsigned long long>(whole);
    const int lead = digit_count(whole_digits);
    put_digits(buf, whole_digits, lead);
    buf[lead] = '.';
    put_digits(buf + lead + 1, fraction, d);
    buf[lead + 1 + d] = '\0';
    return lead + 1 + d;
}

// floor(log10(2^b)) for |b| < 1650.
int floor_log10_pow2(int b) { return (b * 78913) >> 18; }

// The `digits` significant digits (1 <= digits <= 17) and the decimal exponent
// of "%.*E" of x > 0 (finite, normal); false when not decided here.
bool quick_exp_digits(double x, int digits, unsigned long long& mantissa, int& exponent) {
    if (digits > 17) return false;
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int b = static_cast<int>((bits >> 52) & 0x7ff) - 1023;  // x normal: x in [2^b, 2^(b+1))
    int e = floor_log10_pow2(b);  // 10^e <= x < 10^(e+2)
    const double low = kPow10[digits - 1], high = kPow10[digits];
    const bool single = single_precision_value(x);
    double q = 0.0;
    bool exact = false;
    for (int attempt = 0;; ++attempt) {
        const int s = digits - 1 - e;  // q = x * 10^s in [10^(digits-1), 10^digits)
        if (s > 22 || s < -22) return false;
        q = s >= 0 ? x * kPow10[s] : x / kPow10[-s];
        exact = s == 0 || (s > 0 && s <= 12 && single);
        if (q >= low && q < high) break;
        // 10^e <= x < 10^(e+2): one step up at most. A quotient rounded onto
        // a bound is left to snprintf.
        if (attempt > 0 || q < low) return false;
        ++e;
    }
    double n;
    if (!round_scaled(q, exact, n)) return false;
    mantissa = static_cast<unsigned long long>(n);
    if (n == high) {  // 9.99..5 rounds up to the next power of ten
        mantissa /= 10;
        ++e;
    }
    exponent = e;
    return true;
}

// 10^k rounded to double for k = -46 .. 39 (the decimal range of single
// precision): comparisons that pick the decimal exponent of a value. Where the
// table's value is not exact the choice can be one off for a value within a
// unit of it; the range test of the scaled value then hands it on.
constexpr int kPow10TableLow = -46;
constexpr double kPow10Table[] = {1e-46, 1e-45, 1e-44, 1e-43, 1e-42, 1e-41, 1e-40, 1e-39, 1e-38, 1e-37, 1e-36, 1e-35, 1e-34, 1e-33, 1e-32, 1e-31, 1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38, 1e39};
constexpr int kPow10TableSize = static_cast<int>(sizeof kPow10Table / sizeof kPow10Table[0]);

// Ew.d of a normal x > 0 with 1 <= d <= 9, a two-digit exponent and room for
// the leading zero (w >= d + 6 + sign): the common field, written without the
// general path's steps. False when the digits are not decided here.
bool quick_exp_field(char* out, double x, bool negative, int w, int d) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int e = floor_log10_pow2(static_cast<int>((bits >> 52) & 0x7ff) - 1023);  // 10^e <= x < 10^(e+2)
    const int next = e + 1 - kPow10TableLow;
    if (next < 0 || next >= kPow10TableSize) return false;
    e += x >= kPow10Table[next] ? 1 : 0;
    const int s = d - 1 - e;  // x * 10^s in [10^(d-1), 10^d)
    if (s > 22 || s < -22) return false;
    const double q = s >= 0 ? x * kPow10[s] : x / kPow10[-s];
    if (!(q >= kPow10[d - 1] && q < kPow10[d])) return false;
    const bool exact = s == 0 || (s > 0 && s <= 12 && single_precision_value(x));
    double n;
    if (!round_scaled(q, exact, n)) return false;
    auto mantissa = static_cast<unsigned long long>(n);
    if (n == kPow10[d]) {  // 9.99..5 rounds up to the next power of ten
        mantissa /= 10;
        ++e;
    }
    const int written = e + 1;  // the exponent of 0.DDDD
    if (written <= -100 || written >= 100) return false;
    const int lead = w - (d + 6) - (negative ? 1 : 0);
    std::memset(out, ' ', static_cast<std::size_t>(lead));
    char* p = out + lead;
    if (negative) *p++ = '-';
    *p++ = '0';
    *p++ = '.';
    put_digits(p, mantissa, d);
    p += d;
    *p++ = 'E';
    *p++ = written < 0 ? '-' : '+';
    std::memcpy(p, kDigitPairs + 2 * (written < 0 ? -written : written), 2);
    return true;
}

// Writes the exponent part of an E field, "%+.2d" style: sign and at least two
// digits. Returns its length.
int put_exponent(char* out, int e) {
    out[0] = e < 0 ? '-' : '+';
    const unsigned a = e < 0 ? 0u - static_cast<unsigned>(e) : static_cast<unsigned>(e);
    const int n = a < 100 ? 2 : digit_count(a);
    put_digits(out + 1, a, n);
    out[1 + n] = '\0';
    return 1 + n;
}

}  // namespace

void put_fixed(char* out, double value, int w, int d) {
    bool negative = false;
    const double x = magnitude(value, negative);
    // Field lists allow w and d up to 1000: the largest double with 1000
    // decimals takes 1310 characters. A text longer than the buffer is longer
    // than any field.
    char buf[kNumberText];
    int n = std::isfinite(x) ? quick_fixed_text(buf, x, d) : -1;
    if (n < 0) n = std::snprintf(buf, sizeof buf, "%#.*f", d, x);
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
    if (d <= 9 && w >= d + 6 + sign_width && std::isnormal(x) && quick_exp_field(out, x, negative, w, d)) return;
    int room = w - (d + 5) - sign_width;
    bool lead_zero = false;
    if (room > 0) {
        --room;
        lead_zero = true;
    } else if (room < 0) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }

    // The mantissa's digits (d of them, "%.*E" with d-1 after its point) and
    // the written exponent: one more than printf's, +00 for zero.
    char buf[kNumberText];
    const char* digits = nullptr;
    char exponent[16];
    unsigned long long mantissa = 0;
    int e10 = 0;
    if (x == 0) {
        std::memset(buf, '0', static_cast<std::size_t>(d));
        digits = buf;
        put_exponent(exponent, 0);
    } else if (std::isnormal(x) && quick_exp_digits(x, d, mantissa, e10)) {
        put_digits(buf, mantissa, d);
        digits = buf;
        put_exponent(exponent, e10 + 1);
    } else {
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
        // buf is "D.DDDE+XX": the digits without the point.
        const char* e = std::strchr(buf, 'E');
        std::memmove(buf + 1, buf + 2, static_cast<std::size_t>(e - buf - 2));
        digits = buf;
        put_exponent(exponent, std::atoi(e + 1) + 1);
    }
    const bool three_digits = exponent[3] != '\0';  // only doubles get there: the E gives way

    int pos = 0;
    while (room-- > 0) out[pos++] = ' ';
    if (negative) out[pos++] = '-';
    if (lead_zero) out[pos++] = '0';
    out[pos++] = '.';
    for (int k = 0; k < d; ++k) out[pos++] = digits[k];
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
