// The quick reading of a line of plain numbers: it takes a line only where the
// general reader would give the same values and stop at the same place, and
// otherwise leaves the source and the variables as they were.
#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "char_source.hpp"
#include "plain_list_line.hpp"

namespace zeplo::fields {
namespace {

float nearest(const char* decimal) { return static_cast<float>(std::strtod(decimal, nullptr)); }

TEST(PlainListLine, TakesPlainNumbersAndTheRestOfTheLine) {
    struct Case {
        std::string text;
        const char* first;  // the values as strtod reads them
        const char* second;
        std::size_t taken;
    };
    const Case cases[] = {
        {"  1.5 -2.25e-3\nnext", "1.5", "-2.25e-3", 15},
        {"0.000\t+.5\n", "0", "0.5", 10},
        {"1.5+3 2D2\n", "1.5e3", "2e2", 10},            // sign-only and D exponents
        {"-0 7. 8 x,/\n", "0", "7", 12},                // the rest of the line is skipped as it is
        {"000123456789012345678 1e-45\n", "123456789012345678", "1e-45", 28},
    };
    for (const Case& c : cases) {
        StringSource src(c.text);
        float a = -1.0f, b = -1.0f;
        const InVar vars[] = {in_var(a), in_var(b)};
        ASSERT_TRUE(read_plain_line(src, vars, 2)) << c.text;
        EXPECT_EQ(a, nearest(c.first)) << c.text;
        EXPECT_EQ(b, nearest(c.second)) << c.text;
        EXPECT_FALSE(std::signbit(a)) << c.text;  // "-0" reads as +0, as in the general reader
        EXPECT_EQ(src.position(), c.taken) << c.text;
    }
}

TEST(PlainListLine, LeavesEverythingElseToTheGeneralReader) {
    const char* const texts[] = {
        "1.5, 2\n",     "1.5 / 2\n",   "2*1.5 3\n",  "1.5\n2.5\n",  // comma, slash, repeat, value on the next line
        "1.5 2.5",      "1.5x 2\n",    "1e 2\n",     "1.5\r 2\n",   // no line end, letters, CR inside
        "1.5 2.5x\n",   "1e12345 2\n", " . 2\n",     "\n1 2\n",     // the general reader's own cases
    };
    for (const char* text : texts) {
        StringSource src(text);
        float a = -1.0f, b = -1.0f;
        const InVar vars[] = {in_var(a), in_var(b)};
        EXPECT_FALSE(read_plain_line(src, vars, 2)) << text;
        EXPECT_EQ(src.position(), 0u) << text;
        EXPECT_EQ(a, -1.0f) << text;
        EXPECT_EQ(b, -1.0f) << text;
    }
    // Integer variables always go the general way.
    StringSource src("1 2\n");
    int i = 0;
    float x = 0.0f;
    const InVar vars[] = {in_var(x), in_var(i)};
    EXPECT_FALSE(read_plain_line(src, vars, 2));
}

}  // namespace
}  // namespace zeplo::fields
