// Free-format records: the forms of written values and the 80-character line,
// and the reading of answers and record files.
#include <climits>
#include <cmath>

#include "record_fixture.hpp"
#include "free_format_writer.hpp"

namespace zeplo::rec {
namespace {

using FreeFormatOutput = RecordFile;
using FreeFormatInput = RecordFile;

TEST_F(FreeFormatOutput, ValuesInTheirOwnForms) {
    open_out();
    write_list(kOut, "NT and DT=", 1024, 0.01f);
    write_list(kOut);
    write_list(kOut, " IF1,NF=", 11, 2048);
    write_list(kOut, 100.0f, 1e10f, 8.0f, 0.0f, -0.0f, -3);
    write_list(kOut, " Highest Frequency (hz)=", 62.5000024);
    write_list(kOut, "a", "b", 1.5f, "c");
    write_list(kOut, INT_MIN, INT_MAX, 1e-5f, 123456789.0f, 1234567890.0f);
    EXPECT_EQ(written(),
              " NT and DT= 1024  0.00999999978\n"
              "\n"
              "  IF1,NF= 11 2048\n"
              "  100.  1.E+10  8.  0.  0. -3\n"
              "  Highest Frequency (hz)=  62.5000024\n"
              " ab  1.5c\n"
              " -2147483648 2147483647  9.99999975E-06  123456792.  1.23456794E+09\n");
}

TEST_F(FreeFormatOutput, EightyCharacterLines) {
    open_out();
    // 70 characters of text: the integer's 2 digits would reach 72, fine; a real
    // of 15 characters would reach 87 and starts a new line.
    const std::string text(70, 'x');
    write_list(kOut, text, 12, 0.1f, 7);
    // A value reaching exactly 80 starts a new line; 79 does not (the line
    // holds the text and its leading blank).
    write_list(kOut, std::string(75, 'y'), 123);  // 76 + 3 = 79
    write_list(kOut, std::string(76, 'z'), 123);  // 77 + 3 = 80
    // A character item that would reach 80 starts a new line, with its blank.
    write_list(kOut, std::string(40, 'a'), std::string(40, 'b'));
    // Only a line that already holds characters is ended.
    write_list(kOut, std::string(90, 'c'));
    EXPECT_EQ(written(), " " + text + " 12\n" + "  0.100000001 7\n" +
                             " " + std::string(75, 'y') + " 123\n" +
                             " " + std::string(76, 'z') + "\n 123\n" +
                             " " + std::string(40, 'a') + "\n " + std::string(40, 'b') + "\n" +
                             " " + std::string(90, 'c') + "\n");
}

TEST(FreeFormatReal, SpecialValues) {
    char t[48];
    fields::free_format_real(t, std::numeric_limits<double>::infinity());
    EXPECT_STREQ(t, "  INF");
    fields::free_format_real(t, -std::numeric_limits<double>::infinity());
    EXPECT_STREQ(t, " -INF");
    fields::free_format_real(t, std::numeric_limits<double>::quiet_NaN());
    EXPECT_STREQ(t, "  NAN");
    fields::free_format_real(t, -std::numeric_limits<double>::quiet_NaN());
    EXPECT_STREQ(t, "  -NAN.");
}

TEST_F(FreeFormatInput, SeparatorsNullValuesAndSlash) {
    input("0.02,1.5e-3\n"
          "\n"
          "  7 \t 8.5   ignored words\n"
          "1,,3\n"
          ",5\n"
          "4 /\n"
          "9\n");
    float a = -1, b = -1, c = -1;
    read_list(kIn, a, b);
    EXPECT_EQ(a, 0.02f);
    EXPECT_EQ(b, 0.0015f);
    int i = -1;
    read_list(kIn, i, a);  // the blank line is skipped, the rest of the line too
    EXPECT_EQ(i, 7);
    EXPECT_EQ(a, 8.5f);
    a = b = c = -1;
    read_list(kIn, a, b, c);
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(b, -1.0f);  // null value: kept
    EXPECT_EQ(c, 3.0f);
    a = b = -1;
    read_list(kIn, a, b);
    EXPECT_EQ(a, -1.0f);
    EXPECT_EQ(b, 5.0f);
    a = b = c = -1;
    read_list(kIn, a, b, c);  // the slash ends the statement
    EXPECT_EQ(a, 4.0f);
    EXPECT_EQ(b, -1.0f);
    EXPECT_EQ(c, -1.0f);
    read_list(kIn, i);
    EXPECT_EQ(i, 9);
}

TEST_F(FreeFormatInput, RepeatCountsAndNumberForms) {
    input("3*2.5 2* 7\n"
          "1.5D2 -4e-1 +6E+1 1.5-3\n"
          "2 3\n"
          "12abc\n"
          "000123 -0\n");
    float v[6] = {-1, -1, -1, -1, -1, -1};
    read_list(kIn, v[0], v[1], v[2], v[3], v[4], v[5]);
    EXPECT_EQ(v[0], 2.5f);
    EXPECT_EQ(v[1], 2.5f);
    EXPECT_EQ(v[2], 2.5f);
    EXPECT_EQ(v[3], -1.0f);  // 2* : two null values
    EXPECT_EQ(v[4], -1.0f);
    EXPECT_EQ(v[5], 7.0f);
    float a, b, c, d;
    read_list(kIn, a, b, c, d);
    EXPECT_EQ(a, 150.0f);
    EXPECT_EQ(b, -0.4f);
    EXPECT_EQ(c, 60.0f);
    EXPECT_EQ(d, 1.5e-3f);
    int i = 0, j = 0;
    read_list(kIn, i, j);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(j, 3);
    read_list(kIn, i);  // characters after the last value are skipped
    EXPECT_EQ(i, 12);
    read_list(kIn, i, j);
    EXPECT_EQ(i, 123);
    EXPECT_EQ(j, 0);
}

TEST_F(FreeFormatInput, IntegerRange) {
    input("2147483647 -2147483648 2147483648 99999999999\n");
    int a, b, c, d;
    read_list(kIn, a, b, c, d);
    EXPECT_EQ(a, INT_MAX);
    EXPECT_EQ(b, INT_MIN);
    EXPECT_EQ(c, INT_MIN);  // beyond the range: the most negative integer
    EXPECT_EQ(d, INT_MIN);
}

struct ErrorCase {
    const char* input;
    bool integer;
    int n;
    const char* context;
};

TEST_F(FreeFormatInput, ErrorTable) {
    const ErrorCase cases[] = {
        {"abc\n", false, 112, "invalid number"},
        {"-\n", false, 112, "invalid number"},
        {".\n", false, 112, "invalid number"},
        {"2.5\n", true, 115, "invalid integer"},
        {"1e5\n", true, 115, "invalid integer"},
        {"12+3\n", true, 115, "invalid integer"},
        {"1.5e\n", false, 112, "exponent field"},
        {"1.5e+x\n", false, 112, "exponent field"},
        {"1+\n", false, 112, "exponent field"},
        {"1e123456789\n", false, 112, "exponent field"},
        {"0*5\n", false, 112, "bad repetition count"},
        {"-2*5\n", false, 112, "bad repetition count"},
        {"2*x\n", false, 112, "invalid number"},
        {"", false, -1, "list in"},
        {"\n\n  \n", false, -1, "list in"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.input);
        input(c.input);
        int i = 0;
        float x = 0;
        const test::FatalError e = failure([&] {
            if (c.integer)
                read_list(kIn, i);
            else
                read_list(kIn, x);
        });
        EXPECT_EQ(e.n, c.n);
        EXPECT_EQ(e.context, c.context);
        close_unit(kIn);
    }
}

TEST_F(FreeFormatInput, RepeatWithAPointStartsAnEmptyCount) {
    input("2.5*1\n");
    float a = 0, b = 0;
    const test::FatalError e = failure([&] { read_list(kIn, a, b); });
    EXPECT_EQ(a, 2.5f);
    EXPECT_EQ(e.context, "bad repetition count");
}

TEST_F(FreeFormatInput, ReportLines) {
    input("2.5\n");
    int i = 0;
    const test::FatalError e = failure([&] { read_list(kIn, i); });
    EXPECT_EQ(e.report, "invalid integer: read unexpected character\n"
                        "apparent state: unit 21 named " + in_path() + "\n"
                        "last format: list io\n"
                        "lately reading sequential formatted external IO\n");
}

TEST_F(FreeFormatInput, EndOfFileBranch) {
    // Complete pairs, one split over two lines, then a lone time value.
    input("0.0 1.0\n0.5\n2.0\n1.0 3.0\n1.5\n");
    float t[4] = {}, x[4] = {};
    int n = 0;
    while (read_list_or_end(kIn, t[n], x[n])) ++n;
    EXPECT_EQ(n, 3);
    EXPECT_EQ(x[1], 2.0f);
    EXPECT_EQ(t[3], 1.5f);  // the lone time value was stored before the end
    EXPECT_FALSE(read_list_or_end(kIn, t[0], x[0]));  // "read start" at the end, with the branch
    const test::FatalError e = failure([&] { read_list(kIn, t[0]); });
    EXPECT_EQ(e.context, "read start");
    EXPECT_EQ(e.n, -1);
}

TEST_F(FreeFormatInput, UnterminatedLastLine) {
    // Nothing, blanks, or anything else after the last value: the pair counts
    // in every case, and the next read meets the end of the file.
    for (const char* last : {"1.0 3.0", "1.0 3.0  \t", "1.0 3.0 9.9", "1.0 3.0,", "1.0,3.0 x"}) {
        SCOPED_TRACE(last);
        input(std::string("0.0 1.0\n") + last);
        float t = 0, x = 0;
        int n = 0;
        while (read_list_or_end(kIn, t, x)) ++n;
        EXPECT_EQ(n, 2);
        EXPECT_EQ(x, 3.0f);
        close_unit(kIn);
    }
    // A value cut by the end of the data still ends the loop uncounted.
    input("0.0 1.0\n1.0");
    float t = 0, x = 0;
    int n = 0;
    while (read_list_or_end(kIn, t, x)) ++n;
    EXPECT_EQ(n, 1);
    EXPECT_EQ(t, 1.0f);
}

TEST_F(FreeFormatInput, HeaderLineIsAnInvalidNumber) {
    input("time accel\n0.0 1.0\n");
    float t = 0, x = 0;
    const test::FatalError e = failure([&] { (void)read_list_or_end(kIn, t, x); });
    EXPECT_EQ(e.context, "invalid number");
    EXPECT_EQ(e.n, 112);
}

}  // namespace
}  // namespace zeplo::rec
