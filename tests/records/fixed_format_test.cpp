// Fixed-format records: field lists on output and input.
#include "record_fixture.hpp"
#include "field_list.hpp"

namespace zeplo::rec {
namespace {

using FixedFormatOutput = RecordFile;
using FixedFormatInput = RecordFile;

TEST_F(FixedFormatOutput, StopsAtTheFirstFieldWithoutAValue) {
    open_out();
    write_fmt(kOut, "(F8.4,6E12.4)", 0.0244f, 2.001f, -0.03682f, 2.002f, 1.001f, -4.853e-5f, 1.001f);
    write_fmt(kOut, "(F8.4,6E12.4)", 0.0244f, 0.0f, 1.0f, 1.0f);
    write_fmt(kOut, "(F8.3,3E12.4)", 0.02f, 0.0356f);
    const std::vector<std::string> lines = test::lines_of(written());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "  0.0244  0.2001E+01 -0.3682E-01  0.2002E+01  0.1001E+01 -0.4853E-04  0.1001E+01");
    EXPECT_EQ(lines[0].size(), 80u);
    EXPECT_EQ(lines[1], "  0.0244  0.0000E+00  0.1000E+01  0.1000E+01");
    EXPECT_EQ(lines[2], "   0.020  0.3560E-01");
}

TEST_F(FixedFormatOutput, SlashSkipAndText) {
    open_out();
    write_fmt(kOut, "(/1X,'Enter Acceleration Data (H1,H2,V1)')");
    write_fmt(kOut, "(/' Enter Soil Data File Name ')");
    write_fmt(kOut, "('it''s',2X,I5,' after',F4.1,' never')", 42, 1.5f);
    write_fmt(kOut, "(I3)", 7, 8, 9);  // more values than fields: one record each
    EXPECT_EQ(written(), "\n Enter Acceleration Data (H1,H2,V1)\n"
                         "\n Enter Soil Data File Name \n"
                         "it's     42 after 1.5 never\n"
                         "  7\n  8\n  9\n");
}

TEST_F(FixedFormatInput, SoilRecords) {
    input("      45.0  trailing comment\n"
          "         1\n"
          "3,25.0\n"
          "     1.7   300.0    25.0   150.0    25.0     2.5 comment after column 48\n"
          "     1.9   600.0    50.0   300.0\n");
    float thet1 = -1;
    read_fmt(kIn, "(F10.0)", thet1);
    EXPECT_EQ(thet1, 45.0f);
    int nsf = -1;
    read_fmt(kIn, "(I10)", nsf);
    EXPECT_EQ(nsf, 1);
    int nl = -1;
    float pqf = -1;
    read_fmt(kIn, "(I10,F10.0)", nl, pqf);
    EXPECT_EQ(nl, 3);
    EXPECT_EQ(pqf, 25.0f);
    float v[6];
    read_fmt(kIn, "(6F8.0)", v[0], v[1], v[2], v[3], v[4], v[5]);
    EXPECT_EQ(v[0], 1.7f);
    EXPECT_EQ(v[3], 150.0f);
    EXPECT_EQ(v[5], 2.5f);
    for (float& x : v) x = -1;
    read_fmt(kIn, "(6F8.0)", v[0], v[1], v[2], v[3], v[4], v[5]);  // short record: zeros
    EXPECT_EQ(v[3], 300.0f);
    EXPECT_EQ(v[4], 0.0f);
    EXPECT_EQ(v[5], 0.0f);
}

TEST_F(FixedFormatInput, CharacterFields) {
    input("elcentro.txt\n"
          "a name that is longer than twenty characters\n"
          "  lead\n"
          "\n");
    char name[20];
    read_fmt(kIn, "(A20)", CharVar{name, 20});
    EXPECT_EQ(std::string(name, 20), "elcentro.txt        ");
    char fname[30];
    read_fmt(kIn, "(A)", CharVar{fname, 30});
    EXPECT_EQ(std::string(fname, 30), "a name that is longer than twe");
    read_fmt(kIn, "(A20)", CharVar{name, 20});
    EXPECT_EQ(std::string(name, 20), "  lead              ");
    read_fmt(kIn, "(A)", CharVar{fname, 30});
    EXPECT_EQ(std::string(fname, 30), std::string(30, ' '));
    char small[4];
    close_unit(kIn);
    input("abcdefgh\nxy\n");
    read_fmt(kIn, "(A6)", CharVar{small, 4});  // wider field: the rightmost characters
    EXPECT_EQ(std::string(small, 4), "cdef");
    read_fmt(kIn, "(A3)", CharVar{small, 4});  // narrower: left-justified
    EXPECT_EQ(std::string(small, 4), "xy  ");
}

TEST_F(FixedFormatInput, Failures) {
    input("   12x4.0\n");
    float x = 0;
    test::FatalError e = failure([&] { read_fmt(kIn, "(F10.0)", x); });
    EXPECT_EQ(e.report, "fmt: read unexpected character\n"
                        "apparent state: unit 21 named " + in_path() + "\n"
                        "last format: (F10.0)\n"
                        "lately reading sequential formatted external IO\n");
    close_unit(kIn);

    // The file ends before the record: end of file in "fmt".
    input("         1\n");
    int n = 0;
    read_fmt(kIn, "(I10)", n);
    e = failure([&] { read_fmt(kIn, "(I10)", n); });
    EXPECT_EQ(e.n, -1);
    EXPECT_EQ(e.context, "fmt");
    close_unit(kIn);

    // An unterminated last line read in full leaves the unit at its end: the
    // next statement fails at its start.
    input("         1");
    read_fmt(kIn, "(I10)", n);
    EXPECT_EQ(n, 1);
    e = failure([&] { read_fmt(kIn, "(I10)", n); });
    EXPECT_EQ(e.context, "read start");
    close_unit(kIn);

    // A field that reaches past an unterminated last line meets the end.
    input("  1.7");
    e = failure([&] { read_fmt(kIn, "(6F8.0)", x); });
    EXPECT_EQ(e.context, "fmt");
    EXPECT_EQ(e.n, -1);
}

TEST_F(FixedFormatOutput, FieldListAfterACompletedStatementIsCleared) {
    input("x\n");
    char c[1];
    read_fmt(kIn, "(A1)", CharVar{c, 1});
    float x = 0;
    close_unit(kIn);
    input("abc\n");
    // A failing free-format read reports "list io"; a fixed-format statement
    // that completed leaves no field list behind.
    test::FatalError e = failure([&] { read_list(kIn, x); });
    EXPECT_NE(e.report.find("last format: list io\n"), std::string::npos);
    close_unit(kIn);
    input("1\n");
    read_fmt(kIn, "(A1)", CharVar{c, 1});
    e = failure([&] { open_unit(22, "", "unknown"); });
    EXPECT_EQ(e.report, "open: null file name\n"
                        "apparent state: unit 22 named \n"
                        "lately reading sequential formatted external IO\n");
}

TEST(FieldList, Parsing) {
    using namespace fields;
    FieldList list;
    parse_field_list("(F8.4,6E12.4)", list);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.fields[1].op, FieldOp::Exp);
    EXPECT_EQ(list.fields[1].repeat, 6);
    EXPECT_EQ(list.fields[1].w, 12);
    EXPECT_EQ(list.fields[1].d, 4);
    parse_field_list("(/1X,'a''b')", list);
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.fields[0].op, FieldOp::Slash);
    EXPECT_EQ(list.fields[1].op, FieldOp::Skip);
    EXPECT_EQ(list.fields[1].w, 1);
    EXPECT_EQ(list.fields[2].text, "a''b");
    EXPECT_FALSE(list.has_data);
    parse_field_list("(a20)", list);
    EXPECT_EQ(list.fields[0].op, FieldOp::CharsWidth);
    EXPECT_EQ(list.fields[0].w, 20);
}

}  // namespace
}  // namespace zeplo::rec
