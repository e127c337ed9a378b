// The console dialog and the run's early ends, through the built program.
#include <csignal>

#include "e2e_fixture.hpp"

namespace zeplo::test {
namespace {

using Dialog = WholeRun;

// Rows 1 to 11 of the dialog, then the soil prompt, for a record of 8 samples
// at 0.01 s: nf = 8, dur = 0.08, dom = 2 pi / 0.08, nom = 5.
TEST_F(Dialog, RecordAndGridRows) {
    put_record("rec.txt", 8, 0.01, [](int k) { return k == 0 ? 1.0 : 0.0; });
    const ChildOutcome r = run("rec.txt\n");
    const float dur = 8.0f * 0.01f;
    const float dom = 6.2831855f / dur;
    const float eom = 5.0f * dom;
    const double highest = static_cast<double>(eom) / 6.283185307;
    EXPECT_EQ(real_text(dur), "  0.0799999982");
    EXPECT_EQ(real_text(dom), "  78.5398178");
    EXPECT_EQ(real_text(eom), "  392.699097");
    EXPECT_EQ(r.out, "\n"
                     "\n"
                     " Enter Acceleration Data (H1,H2,V1)\n"
                     " NT and DT= 8  0.00999999978\n"
                     "\n"
                     "  IF1,NF= 3 8\n"
                     "\n"
                     "  DUR,DOM,NOM,EOM=  0.0799999982  78.5398178 5  392.699097\n"
                     "  Highest Frequency (hz)=" + real_text(highest) + "\n"
                     "\n"
                     " Enter Soil Data File Name \n");
    EXPECT_NEAR(highest, 62.5000024, 1e-7);
    // The answers ended at the soil prompt: the failure report, no output file.
    EXPECT_EQ(r.err, "fmt: end of file\n"
                     "apparent state: unit 5 (unnamed)\n"
                     "last format: (A)\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
    EXPECT_FALSE(exists("S_amp1"));
}

TEST_F(Dialog, RecordLongerThanTheLongestTransform) {
    put_record("long.txt", 32769, 0.005, [](int k) { return k % 7; });
    const ChildOutcome r = run("long.txt\nnot read\n");
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n"
                     " NT and DT= 32769  0.00499999989\n"
                     "  NT>2**15 !!!!!\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);  // refused: too long to run
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists("S_amp1"));
    EXPECT_FALSE(exists("amp_dat"));
    EXPECT_FALSE(exists("zeplo_dat"));
}

TEST_F(Dialog, TransformLengthsAtTheTableBoundaries) {
    const int counts[][3] = {{4, 2, 4},          {5, 3, 8},           {1024, 10, 1024}, {1025, 11, 2048},
                             {8192, 13, 8192},   {8193, 14, 16384},   {16384, 14, 16384},
                             {32768, 15, 32768}};
    for (const auto& c : counts) {
        SCOPED_TRACE(c[0]);
        put_record("r.txt", c[0], 0.01, [](int k) { return k; });
        const ChildOutcome r = run("r.txt\n");
        const std::string expected = "  IF1,NF= " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
        EXPECT_NE(r.out.find(" NT and DT= " + std::to_string(c[0]) + " "), std::string::npos);
        EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    }
}

TEST_F(Dialog, MissingAccelerationFile) {
    const ChildOutcome r = run("  no such file.txt  \n");
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n");
    EXPECT_EQ(r.err, "open: No such file or directory\n"
                     "apparent state: unit 11 named   no such file.txt\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
}

TEST_F(Dialog, EmptyAccelerationFileName) {
    for (const char* answer : {"\n", "       \n"}) {
        const ChildOutcome r = run(answer);
        EXPECT_EQ(r.err, "open: null file name\n"
                         "apparent state: unit 11 named \n"
                         "lately reading sequential formatted external IO\n");
        EXPECT_EQ(r.term_signal, SIGABRT);
    }
}

TEST_F(Dialog, EndOfInputAtTheFirstPrompt) {
    const ChildOutcome r = run("");
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n");
    EXPECT_EQ(r.err, "fmt: end of file\n"
                     "apparent state: unit 5 (unnamed)\n"
                     "last format: (A20)\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
}

TEST_F(Dialog, OnlyTheFirstTwentyCharactersNameTheFile) {
    put_record("abcdefghijklmnopqrst", 16, 0.01, [](int k) { return k; });
    const ChildOutcome r = run("abcdefghijklmnopqrstuvwxyz\n");
    EXPECT_NE(r.out.find(" NT and DT= 16 "), std::string::npos);
}

TEST_F(Dialog, TooFewSamplesOrNoTimeStep) {
    put("one.txt", "0.0 1.0\n0.5\n");
    ChildOutcome r = run("one.txt\n");
    EXPECT_EQ(r.out, "\n\n Enter Acceleration Data (H1,H2,V1)\n NT and DT= 1  0.5\n");
    EXPECT_EQ(r.err, "zeplo1: acceleration file 'one.txt' holds 1 complete pair of time and value; at least two "
                     "are needed for the time step\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);

    put("same.txt", "1.0 1.0\n1.0 2.0\n1.0 3.0\n");
    r = run("same.txt\n");
    EXPECT_NE(r.err.find("the time step (second time minus first time) is 0"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 1);
    put("empty.txt", "");
    r = run("empty.txt\n");
    EXPECT_NE(r.err.find("holds 0 complete pairs"), std::string::npos) << r.err;
    EXPECT_FALSE(exists("S_amp1"));
}

TEST_F(Dialog, HeaderLineInTheRecord) {
    put("h.txt", "time accel\n0.0 1.0\n0.01 2.0\n");
    const ChildOutcome r = run("h.txt\n");
    EXPECT_EQ(r.err, "invalid number: incomprehensible list input\n"
                     "apparent state: unit 11 named h.txt\n"
                     "last format: list io\n"
                     "lately reading sequential formatted external IO\n");
    EXPECT_EQ(r.term_signal, SIGABRT);
}

}  // namespace
}  // namespace zeplo::test
