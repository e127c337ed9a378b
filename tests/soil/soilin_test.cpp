// The soil reader through real files: its prompt, the file name lines it skips,
// the records it reads and the failures it reports.
#include <gtest/gtest.h>

#include "in_process.hpp"
#include "records.hpp"
#include "soilin.hpp"

namespace zeplo {
namespace {

constexpr const char* kThreeLayers =
    "      45.0\n"
    "         1\n"
    "         3     999.0\n"
    "     1.7   300.0    25.0   150.0    25.0     2.5 a comment after column 48\n"
    "     1.9   600.0    50.0   300.0    50.0    10.0\n"
    "     2.1  1290.0    50.0   645.0    50.0     0.0\n"
    "not a layer record\n"
    "1\n2\n3\n4\n5\n";

class Soil : public ::testing::Test {
protected:
    void put(const std::string& name, const std::string& content) { run_.put(name, content); }

    // Runs the reader with `answers` on standard input; returns what it wrote.
    std::string read(const std::string& answers) {
        return run_.with_answers(answers, [&] { soilin(dns, vp, qp, vs, qs, thk, pqf, nl, 50, theta, nsf); });
    }
    // The failure report of a reader run that must fail.
    std::string failure(const std::string& answers) {
        std::string report;
        run_.with_answers(answers, [&] {
            try {
                soilin(dns, vp, qp, vs, qs, thk, pqf, nl, 50, theta, nsf);
                ADD_FAILURE() << "the reader did not fail";
            } catch (const test::FatalError& e) {
                report = e.report;
            }
        });
        return report;
    }

    test::InProcessRun run_;
    float dns[50] = {}, vp[50] = {}, qp[50] = {}, vs[50] = {}, qs[50] = {}, thk[50] = {};
    float pqf = -1, theta = -1;
    int nl = -1, nsf = -1;
};

TEST_F(Soil, SkipsNameLinesThatBeginWithABlankAndPromptsOnce) {
    put("three.dat", kThreeLayers);
    const std::string out = read("\n three.dat\nthree.dat\n");
    EXPECT_EQ(out, "\n Enter Soil Data File Name \n");
    EXPECT_EQ(nl, 3);
    EXPECT_EQ(rec::unit_name(4), std::string("three.dat"));
}

TEST_F(Soil, ReadsHeaderAndLayerRecords) {
    put("three.dat", kThreeLayers);
    read("three.dat\n");
    EXPECT_EQ(theta, 45.0f * 0.017453292f);
    EXPECT_EQ(nsf, 1);
    EXPECT_EQ(nl, 3);
    EXPECT_EQ(pqf, 999.0f);
    const float want[3][6] = {{1.7f, 300, 25, 150, 25, 2.5f}, {1.9f, 600, 50, 300, 50, 10}, {2.1f, 1290, 50, 645, 50, 0}};
    for (int il = 0; il < 3; ++il) {
        EXPECT_EQ(dns[il], want[il][0]);
        EXPECT_EQ(vp[il], want[il][1]);
        EXPECT_EQ(qp[il], want[il][2]);
        EXPECT_EQ(vs[il], want[il][3]);
        EXPECT_EQ(qs[il], want[il][4]);
        EXPECT_EQ(thk[il], want[il][5]);
    }
    EXPECT_EQ(dns[3], 0.0f);  // nothing past the last layer
}

TEST_F(Soil, BlankAngleWholeNumbersAndShortLayerRecord) {
    put("s.dat", "          \n"
                 "         0\n"
                 "         130\n"  // pqf from columns 11-20 only
                 "     1.7     300      25     150\n");
    read("s.dat\n");
    EXPECT_EQ(theta, 0.0f);
    EXPECT_EQ(nsf, 0);
    EXPECT_EQ(nl, 1);
    EXPECT_EQ(pqf, 30.0f);
    EXPECT_EQ(vs[0], 150.0f);
    EXPECT_EQ(qs[0], 0.0f);  // the record ended at column 32
    EXPECT_EQ(thk[0], 0.0f);
}

TEST_F(Soil, NamesLongerThanThirtyCharacters) {
    put("abcdefghijklmnopqrstuvwxyz0123", kThreeLayers);
    read("abcdefghijklmnopqrstuvwxyz0123456789\n");
    EXPECT_EQ(nl, 3);
}

TEST_F(Soil, Failures) {
    EXPECT_EQ(failure("missing.dat\n"), "open: No such file or directory\n"
                                        "apparent state: unit 4 named missing.dat\n"
                                        "lately reading sequential formatted external IO\n");
    put("bad.dat", "      4x.0\n");
    EXPECT_EQ(failure("bad.dat\n"), "fmt: read unexpected character\n"
                                    "apparent state: unit 4 named bad.dat\n"
                                    "last format: (F10.0)\n"
                                    "lately reading sequential formatted external IO\n");
    rec::close_unit(4);
    put("short.dat", "0.\n1\n         2       0.0\n     1.7   300.0    25.0   150.0    25.0     2.5\n");
    EXPECT_EQ(failure("short.dat\n"), "fmt: end of file\n"
                                      "apparent state: unit 4 named short.dat\n"
                                      "last format: (6F8.0)\n"
                                      "lately reading sequential formatted external IO\n");
    rec::close_unit(4);
    // The last line was read in full and had no line end: the next statement
    // fails at its start.
    put("cut.dat", "0.\n1\n         2       0.0\n     1.7   300.0    25.0   150.0    25.0     2.5");
    EXPECT_EQ(failure("cut.dat\n"), "read start: end of file\n"
                                    "apparent state: unit 4 named cut.dat\n"
                                    "last format: (6F8.0)\n"
                                    "lately reading sequential formatted external IO\n");
    rec::close_unit(4);
    EXPECT_EQ(failure("\n   \n"), "fmt: end of file\n"
                                  "apparent state: unit 5 (unnamed)\n"
                                  "last format: (A)\n"
                                  "lately reading sequential formatted external IO\n");
}

}  // namespace
}  // namespace zeplo
