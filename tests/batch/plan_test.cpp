// The plan as a user writes it, the CSV underneath, and the text a batch hands
// to a shell or to `zeplo run`'s own number reader.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "batch_plan.hpp"
#include "csv.hpp"
#include "run_arguments.hpp"

namespace zeplo {
namespace {

std::vector<std::string> problems_of(const std::string& text) {
    try {
        parse_plan(text, "plan.csv", "/base");
    } catch (const PlanError& e) {
        return e.problems;
    }
    return {};
}

bool mentions(const std::vector<std::string>& problems, const std::string& part) {
    for (const std::string& p : problems)
        if (p.find(part) != std::string::npos) return true;
    return false;
}

TEST(Plan, ReadsOptionsQuotedFieldsAndPathsFromThePlansFolder) {
    const std::string text =
        "\xEF\xBB\xBF# site study\r\n"
        "name, record ,soil,wrt,shape,taper_hz,units,record_units,format,channel\r\n"
        "\r\n"
        "a,rec/elc.txt,../soils/tri.dat,bedrock,integrate,0.1 0.2\t 20 25,cm/s2,g,two-column,1\r\n"
        "b,\"/data/with, comma.AT2\",  /abs/./x/../yb.dat  ,,,,,,at2,\r\n"
        "c_2.x,\"say \"\"hi\"\".txt\",s.dat,input,differentiate,,,,cgs,3\n"
        "d,r,s,,none,,,,,\n";
    const auto rows = parse_plan(text, "plan.csv", "/base/plans");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].line, 4);
    EXPECT_EQ(rows[1].line, 5);
    EXPECT_EQ(rows[2].line, 6);
    EXPECT_EQ(rows[3].line, 7);

    const RunRequest& a = rows[0].request;
    EXPECT_EQ(a.record, "/base/plans/rec/elc.txt");
    EXPECT_EQ(a.soil, "/base/soils/tri.dat");
    EXPECT_EQ(named_wrt(a.wrt), Wrt::bedrock);
    EXPECT_EQ(a.shape, Shape::integrate);
    ASSERT_TRUE(a.taper_hz);
    EXPECT_EQ(*a.taper_hz, (std::array<double, 4>{0.1, 0.2, 20.0, 25.0}));
    EXPECT_EQ(a.units, formats::Unit::cm_s2);
    EXPECT_EQ(a.record_units, formats::Unit::g);
    EXPECT_EQ(a.format, formats::Format::two_column);

    const RunRequest& b = rows[1].request;
    EXPECT_EQ(b.record, "/data/with, comma.AT2");
    EXPECT_EQ(b.soil, "/abs/yb.dat");
    EXPECT_EQ(b.shape, Shape::none);
    EXPECT_FALSE(b.taper_hz);
    EXPECT_FALSE(b.units);
    EXPECT_FALSE(b.record_units);
    EXPECT_EQ(b.format, formats::Format::at2);
    EXPECT_EQ(b.channel, 1);

    const RunRequest& c = rows[2].request;
    EXPECT_EQ(rows[2].name, "c_2.x");
    EXPECT_EQ(c.record, "/base/plans/say \"hi\".txt");
    EXPECT_EQ(named_wrt(c.wrt), Wrt::input);
    EXPECT_EQ(c.shape, Shape::differentiate);
    EXPECT_EQ(c.format, formats::Format::cgs_v2);
    EXPECT_EQ(c.channel, 3);
}

TEST(Plan, RefusesAMalformedHeaderNamingLineOne) {
    EXPECT_TRUE(mentions(problems_of("record,soil\na,b\n"), "plan.csv:1: no column 'name'"));
    EXPECT_TRUE(mentions(problems_of("name,soil\na,b\n"), "plan.csv:1: no column 'record'"));
    EXPECT_TRUE(mentions(problems_of("name,record,soil,wrtt\na,b,c,d\n"), "plan.csv:1: unknown column 'wrtt'"));
    EXPECT_TRUE(mentions(problems_of("name,record,soil,name\na,b,c,d\n"), "plan.csv:1: column 'name' appears twice"));
    EXPECT_TRUE(mentions(problems_of("# only a comment\n"), "plan.csv:1: empty"));
    EXPECT_TRUE(mentions(problems_of("\nname,record,soil\n"), "plan.csv:2: the plan has a header but no run"));
    EXPECT_TRUE(mentions(problems_of("name,record,soil\na,\"b,c\n\n"), "plan.csv:2: a quoted field is never closed"));
    EXPECT_TRUE(mentions(problems_of("name,record,soil\na,\"b\"x,c\n"), "plan.csv:2: text after the closing quote"));
}

TEST(Plan, RefusesEveryBadRowAtOnceEachWithItsLine) {
    const std::string text =
        "name,record,soil,wrt,shape,taper_hz,units,channel\n"  // 1
        "ok,r,s,,,,,\n"                                         // 2
        "../up,r,s,,,,,\n"                                      // 3
        "a/b,r,s,,,,,\n"                                        // 4
        ".hidden,r,s,,,,,\n"                                    // 5
        "summary.csv,r,s,,,,,\n"                                // 6
        "ok,r,s,,,,,\n"                                         // 7
        "OK,r,s,,,,,\n"                                         // 8
        "x1,r,s,sideways,,,,\n"                                 // 9
        "x2,r,s,,spin,,,\n"                                     // 10
        "x3,r,s,,,1 2 3,,\n"                                    // 11
        "x4,r,s,,,\"1,2,3,4\",,\n"                              // 12
        "x5,r,s,,,,kg,\n"                                       // 13
        "x6,r,s,,,,,0\n"                                        // 14
        "x7,,s,,,,,\n"                                          // 15
        "x8,r,s,,,\n"                                           // 16
        "x9,r,s,,,nan 1 2 3,,\n"                                // 17
        "a b,r,s,,,,,\n"                                        // 18
        "x10,r,\"s\nt\",,,,,\n"                                 // 19
        "-x,r,s,,,,,\n";                                        // 21
    const auto p = problems_of(text);
    for (const char* expected : {
             "plan.csv:3: column 'name': '../up' is not a safe folder name",
             "plan.csv:4: column 'name': 'a/b' is not a safe folder name",
             "plan.csv:5: column 'name': '.hidden' is not a safe folder name",
             "plan.csv:6: column 'name': 'summary.csv' is taken by the batch's own files",
             "plan.csv:7: the name 'ok' is taken by line 2",
             "plan.csv:8: the name 'OK' is taken by line 2 (names differing only in case collide)",
             "plan.csv:9: column 'wrt': 'sideways'",
             "plan.csv:10: column 'shape': 'spin'",
             "plan.csv:11: column 'taper_hz': '1 2 3' is not four numbers",
             "plan.csv:12: column 'taper_hz': '1,2,3,4' is not four numbers",
             "plan.csv:13: column 'units': 'kg'",
             "plan.csv:14: column 'channel': '0'",
             "plan.csv:15: column 'record': empty",
             "plan.csv:16: 6 fields where the header has 8",
             "plan.csv:17: column 'taper_hz': 'nan 1 2 3'",
             "plan.csv:18: column 'name': 'a b' is not a safe folder name",
             "plan.csv:19: column 'soil': a path with a line break",
             "plan.csv:21: column 'name': '-x' is not a safe folder name",
         })
        EXPECT_TRUE(mentions(p, expected)) << expected;
    EXPECT_EQ(p.size(), 18u);
    EXPECT_FALSE(mentions(p, "plan.csv:2:"));
}

TEST(Plan, SafeNamesAreFolderNamesAndShellWords) {
    for (const char* good : {"a", "Z9", "_x", "elc-tri_1.5", "0"}) EXPECT_TRUE(is_safe_name(good)) << good;
    for (const std::string bad : {"", ".", "..", "-a", "a b", "a/b", "a\\b", "a*", "é", "a\n", "a;b", "$a"})
        EXPECT_FALSE(is_safe_name(bad)) << bad;
    EXPECT_TRUE(is_safe_name(std::string(100, 'a')));
    EXPECT_FALSE(is_safe_name(std::string(101, 'a')));
}

TEST(Plan, RowsCsvReadsBackAsTheRowsThatRan) {
    const std::string text =
        "name,record,soil,wrt,shape,taper_hz,units,record_units,format,channel\n"
        "a,r x.txt,s.dat,bedrock,integrate,0.1 0.30000000000000004 1e-3 33.333333333333336,cm/s2,g,two-column,\n"
        "b,\"q,\"\"uote\"\".AT2\",/abs/s.dat,,differentiate,,g,,at2,2\n"
        "c,r,s,input,,,,,,\n";
    const auto rows = parse_plan(text, "plan.csv", "/base");
    const auto back = parse_plan(rows_csv(rows), "rows.csv", "/elsewhere");
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RunRequest &x = rows[i].request, &y = back[i].request;
        EXPECT_EQ(back[i].name, rows[i].name);
        EXPECT_EQ(y.record, x.record);
        EXPECT_EQ(y.soil, x.soil);
        EXPECT_EQ(named_wrt(y.wrt), named_wrt(x.wrt));
        EXPECT_EQ(y.shape, x.shape);
        EXPECT_EQ(y.taper_hz, x.taper_hz);
        EXPECT_EQ(y.units, x.units);
        EXPECT_EQ(y.record_units, x.record_units);
        EXPECT_EQ(y.format, x.format);
        EXPECT_EQ(y.channel, x.channel);
    }
}

TEST(Csv, FieldsReadBackWhateverTheyHold) {
    const std::vector<std::string> values = {"", "plain", "a,b", "say \"x\"", "two\nlines", " lead", "trail ",
                                             "#not a comment", "crlf\r\nin", "\t"};
    const auto records = parse_csv(csv_line(values) + csv_line({"next"}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].fields.size(), values.size());
    for (std::size_t k = 0; k < values.size() && k < records[0].fields.size(); ++k) {
        // A CR LF inside a quoted field reads back as LF, as every line end does.
        const std::string expected = values[k] == "crlf\r\nin" ? "crlf\nin" : values[k];
        EXPECT_EQ(records[0].fields[k], expected) << k;
    }
    EXPECT_EQ(records[1].line, 4);  // after the two quoted line breaks
}

TEST(CliNumber, ZeploRunReadsBackTheSameDouble) {
    // `zeplo run` reads numbers through long double; the text written for it
    // must give back the very double the batch ran with.
    std::mt19937_64 bits(20240611);
    std::vector<double> values = {0.1, 0.2, 20.0, 25.0, 1.0 / 3.0, 1e-300, 5e-324, 1.7976931348623157e308, -0.0,
                                  0.30000000000000004};
    while (values.size() < 200000) {
        const std::uint64_t b = bits();
        double d;
        std::memcpy(&d, &b, sizeof d);
        if (std::isfinite(d)) values.push_back(d);
    }
    for (const double d : values) {
        const std::string text = cli_number(d);
        double back = 0;
        ASSERT_TRUE(read_cli_number(text, back)) << text;
        ASSERT_EQ(std::memcmp(&back, &d, sizeof d), 0) << text;
    }
}

TEST(ShellQuote, TheShellReadsBackEveryWord) {
    const std::vector<std::string> words = {"plain/path-1.txt", "with space", "it's", "$HOME", "`id`",  "back\\slash",
                                            "new\nline",        "",           "*",    "~",     "a=b",   "tab\there",
                                            "ünï",              "'",          "\"",   "-n",    "%a@b:c,d+e"};
    std::string command = "printf '%s\\0'";
    for (const std::string& w : words) {
        command += ' ';
        command += shell_quote(w);
    }
    FILE* shell = ::popen(command.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, shell)) > 0;) out.append(buffer, n);
    ASSERT_EQ(::pclose(shell), 0);
    std::vector<std::string> back;
    for (std::size_t start = 0, end; (end = out.find('\0', start)) != std::string::npos; start = end + 1)
        back.push_back(out.substr(start, end - start));
    EXPECT_EQ(back, words);
    EXPECT_EQ(shell_quote("plain/path-1.txt"), "plain/path-1.txt");
}

}  // namespace
}  // namespace zeplo
