// Fw.d and Ew.d output and Iw and Fw.d input, from the examples the program's
// files and soil data rely on.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "numeric_fields.hpp"
#include "field_error.hpp"

namespace zeplo::fields {
namespace {

std::string fixed(double v, int w, int d) {
    std::string s(static_cast<std::size_t>(w), '?');
    put_fixed(s.data(), v, w, d);
    return s;
}

std::string exp12(double v) {
    std::string s(12, '?');
    put_exp(s.data(), v, 12, 4);
    return s;
}

TEST(FixedOutput, F84Examples) {
    EXPECT_EQ(fixed(1.5, 8, 4), "  1.5000");
    EXPECT_EQ(fixed(-0.25, 8, 4), " -0.2500");
    EXPECT_EQ(fixed(0.0, 8, 4), "  0.0000");
    EXPECT_EQ(fixed(-0.00001f, 8, 4), "  0.0000");  // rounds to zero: no minus
    EXPECT_EQ(fixed(-0.0, 8, 4), "  0.0000");
    EXPECT_EQ(fixed(123.45678f, 8, 4), "123.4568");
    EXPECT_EQ(fixed(1234.5, 8, 4), "********");
    EXPECT_EQ(fixed(-123.4f, 8, 4), "********");
    EXPECT_EQ(fixed(1000.0, 8, 4), "********");
    EXPECT_EQ(fixed(-99.99999f, 8, 4), "********");  // -100.0000 needs 9
    EXPECT_EQ(fixed(999.99994f, 8, 4), "999.9999");
    EXPECT_EQ(fixed(0.5, 8, 4), "  0.5000");
}

TEST(FixedOutput, F83Examples) {
    EXPECT_EQ(fixed(0.005f, 8, 3), "   0.005");
    EXPECT_EQ(fixed(2048.1f, 8, 3), "2048.100");
    EXPECT_EQ(fixed(10000.0f, 8, 3), "********");
    EXPECT_EQ(fixed(9999.999f, 8, 3), "9999.999");
}

TEST(FixedOutput, LeadingZeroGivesWayToTheSign) {
    // -0.5 in F6.4 needs 7 characters with its 0; without it the value fits.
    EXPECT_EQ(fixed(-0.5, 6, 4), "-.5000");
    EXPECT_EQ(fixed(0.5, 5, 4), ".5000");
    EXPECT_EQ(fixed(0.5, 4, 4), "****");
}

TEST(ExpOutput, E124Examples) {
    EXPECT_EQ(exp12(1.0), "  0.1000E+01");
    EXPECT_EQ(exp12(-12345.678f), " -0.1235E+05");
    EXPECT_EQ(exp12(0.000123456f), "  0.1235E-03");
    EXPECT_EQ(exp12(9.99996f), "  0.1000E+02");
    EXPECT_EQ(exp12(0.0), "  0.0000E+00");
    EXPECT_EQ(exp12(-0.0), "  0.0000E+00");
    EXPECT_EQ(exp12(std::numeric_limits<float>::max()), "  0.3403E+39");
    EXPECT_EQ(exp12(-std::numeric_limits<float>::denorm_min()), " -0.1401E-44");
}

TEST(ExpOutput, NarrowFieldsDropTheZeroThenOverflow) {
    std::string s(10, '?');
    put_exp(s.data(), -1.0, 10, 4);  // room for the sign but not the 0
    EXPECT_EQ(s, "-.1000E+01");
    std::string t(9, '?');
    put_exp(t.data(), -1.0, 9, 4);
    EXPECT_EQ(t, "*********");
}

TEST(SpecialValues, InfinityAndNotANumber) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(fixed(inf, 8, 4), "     inf");
    EXPECT_EQ(fixed(-inf, 8, 4), "    -inf");
    EXPECT_EQ(fixed(nan, 8, 4), "     nan");
    EXPECT_EQ(fixed(-nan, 8, 4), "    -nan");
    EXPECT_EQ(exp12(inf), "         INF");
    EXPECT_EQ(exp12(-inf), "        -INF");
    EXPECT_EQ(exp12(nan), "         NAN");
    EXPECT_EQ(exp12(-nan), "        -NAN");
}

// Field lists admit w and d up to 1000. Such fields are written in full: the
// digits once stopped at 511 characters, leaving the rest of the field as the
// record buffer held it, and a wide E field read its exponent through a null
// pointer.
TEST(WideOutput, FieldsOfAThousandCharactersHoldAllTheirDigits) {
    const std::string half = fixed(0.5, 1000, 998);
    EXPECT_EQ(half.substr(0, 3), "0.5");
    EXPECT_EQ(half.find_first_not_of('0', 3), std::string::npos);

    const std::string neg = fixed(-2.25, 1000, 600);  // 603 characters, right-justified
    EXPECT_EQ(neg.find_first_not_of(' '), 397u);
    EXPECT_EQ(neg.substr(397, 5), "-2.25");
    EXPECT_EQ(neg.find_first_not_of('0', 402), std::string::npos);

    std::string e(1000, '?');
    put_exp(e.data(), 1.5, 1000, 995);  // no room for the leading 0
    EXPECT_EQ(e.substr(0, 3), ".15");
    EXPECT_EQ(e.find_first_not_of('0', 3), 996u);
    EXPECT_EQ(e.substr(996), "E+01");

    std::string big(1000, '?');
    put_exp(big.data(), -1.5e300, 1000, 600);
    EXPECT_EQ(big.find_first_not_of(' '), 393u);
    EXPECT_EQ(big.substr(393, 4), "-0.1");
    EXPECT_EQ(big.find_first_not_of("0123456789", 397), 996u);
    EXPECT_EQ(big.substr(996), "+301");  // three exponent digits: the E gives way
}

// Ew.0 leaves the mantissa 0.DDD no digit: asterisks, and nothing written past
// the field (the library's default precision once wrote 19 characters).
TEST(WideOutput, ExponentFieldWithoutDigitsIsAsterisks) {
    std::string s(20, '?');
    put_exp(s.data(), 1.5, 12, 0);
    EXPECT_EQ(s, "************????????");
    std::string z(20, '?');
    put_exp(z.data(), 0.0, 12, 0);
    EXPECT_EQ(z, "************????????");
}

// An input field over a fixed text: '\n' at the record's end (repeated), kEof
// past the data when `terminated` is false.
struct TextSource {
    std::string text;
    bool terminated = true;
    std::size_t pos = 0;
    static int get(void* ctx) {
        auto* s = static_cast<TextSource*>(ctx);
        if (s->pos < s->text.size()) return static_cast<unsigned char>(s->text[s->pos++]);
        return s->terminated ? '\n' : kEof;
    }
    FieldSource source() { return {get, this}; }
};

int read_int(const std::string& text, int w, int& v, bool terminated = true) {
    TextSource t{text, terminated};
    return get_int_field(t.source(), w, v);
}

int read_real(const std::string& text, int w, int d, float& v, bool terminated = true) {
    TextSource t{text, terminated};
    return get_real_field(t.source(), w, d, v);
}

TEST(IntInput, BlanksSignsCommasAndRecordEnd) {
    int v = -7;
    EXPECT_EQ(read_int("         3", 10, v), 0);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(read_int("1 2", 10, v), 0);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(read_int("  -45     ", 10, v), 0);
    EXPECT_EQ(v, -45);
    EXPECT_EQ(read_int("          ", 10, v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(read_int("", 10, v), 0);  // the record ended: zero
    EXPECT_EQ(v, 0);
    EXPECT_EQ(read_int("+8", 10, v), 0);
    EXPECT_EQ(v, 8);

    TextSource t{"3,25.0"};
    EXPECT_EQ(get_int_field(t.source(), 10, v), 0);
    EXPECT_EQ(v, 3);
    float x = 0;
    EXPECT_EQ(get_real_field(t.source(), 10, 0, x), 0);  // the next field starts after the comma
    EXPECT_EQ(x, 25.0f);
}

TEST(IntInput, BadCharactersAndEndOfData) {
    int v = 0;
    EXPECT_EQ(read_int("  2.5", 10, v), 115);
    EXPECT_EQ(read_int("abc", 10, v), 115);
    EXPECT_EQ(read_int("12", 10, v, false), kEof);  // unterminated: the field reaches past the data
    EXPECT_EQ(read_int("1234567890", 10, v, false), 0);
    EXPECT_EQ(v, 1234567890);
}

TEST(RealInput, FormsOfNumbers) {
    float v = -1;
    EXPECT_EQ(read_real("      30", 8, 0, v), 0);
    EXPECT_EQ(v, 30.0f);  // no point and d = 0: read as written
    EXPECT_EQ(read_real("    1.7", 8, 0, v), 0);
    EXPECT_EQ(v, 1.7f);
    EXPECT_EQ(read_real("    1234", 8, 2, v), 0);
    EXPECT_EQ(v, 12.34f);  // no point: scaled by 10^-d
    EXPECT_EQ(read_real("  12.345", 8, 2, v), 0);
    EXPECT_EQ(v, 12.345f);  // a point overrides d
    EXPECT_EQ(read_real(" 1.5-3  ", 8, 0, v), 0);
    EXPECT_EQ(v, 1.5e-3f);
    EXPECT_EQ(read_real(" 2.5E+2 ", 8, 0, v), 0);
    EXPECT_EQ(v, 250.0f);
    EXPECT_EQ(read_real("  2.5d1 ", 8, 0, v), 0);
    EXPECT_EQ(v, 25.0f);
    EXPECT_EQ(read_real(" 1 2. 5 ", 8, 0, v), 0);
    EXPECT_EQ(v, 12.5f);
    EXPECT_EQ(read_real("  -.25  ", 8, 0, v), 0);
    EXPECT_EQ(v, -0.25f);
    EXPECT_EQ(read_real("        ", 8, 0, v), 0);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(read_real("   45.0", 10, 0, v), 0);  // record ends inside the field
    EXPECT_EQ(v, 45.0f);
    EXPECT_EQ(read_real("0.1", 8, 0, v), 0);
    EXPECT_EQ(v, 0.1f);
    EXPECT_EQ(read_real("1e39", 8, 0, v), 0);
    EXPECT_TRUE(std::isinf(v));
}

TEST(RealInput, Failures) {
    float v = 0;
    EXPECT_EQ(read_real("  1.5x  ", 8, 0, v), 115);
    EXPECT_EQ(read_real("  1.5E  ", 8, 0, v), 115);  // exponent letter without digits
    EXPECT_EQ(read_real("   abc  ", 8, 0, v), 115);
    EXPECT_EQ(read_real("1.0E999999999", 13, 0, v), 115);  // exponent above 99999999
    EXPECT_EQ(read_real("0.0E999999999", 13, 0, v), 0);     // on zero it does no harm
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(read_real("  1.5", 8, 0, v, false), kEof);
}

}  // namespace
}  // namespace zeplo::fields
